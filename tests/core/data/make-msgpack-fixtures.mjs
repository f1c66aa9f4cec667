// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the MessagePack test documents in msgpack/ with an encoder written
// by others (the npm package @msgpack/msgpack), so the decoder is checked
// against bytes it did not make itself. Run from a directory where the
// package is installed; the output is committed, nothing runs at build time:
//
//   tmp=$(mktemp -d) && (cd "$tmp" && npm install @msgpack/msgpack &&
//     node <repo>/tests/core/data/make-msgpack-fixtures.mjs <repo>/tests/core/data/msgpack)
import { createRequire } from 'node:module';
import { writeFileSync } from 'node:fs';
import { join } from 'node:path';

const require = createRequire(join(process.cwd(), 'package.json'));
const { encode, ExtData } = require('@msgpack/msgpack');

const bytes = (n) => Uint8Array.from({ length: n }, (_, i) => i & 0xff);
const range = (n) => Array.from({ length: n }, (_, i) => i);
const keyed = (n) => Object.fromEntries(range(n).map((i) => [`k${String(i).padStart(2, '0')}`, i]));

const fixtures = {
  'fixint-positive': [127],
  'uint8': [200],
  'uint16': [65535],
  'uint32': [4294967295],
  'uint64': [18446744073709551615n, { useBigInt64: true }],
  'fixint-negative': [-32],
  'int8': [-128],
  'int16': [-32768],
  'int32': [-2147483648],
  'int64': [-9223372036854775808n, { useBigInt64: true }],
  'float32': [1.5, { forceFloat32: true }],
  'float64': [0.1],
  'nil': [null],
  'false': [false],
  'true': [true],
  'fixstr': ['Fireware1'],
  'str8': ['\u98ce\u6247'.repeat(10)],
  'str16': ['a'.repeat(300)],
  'bin8': [bytes(3)],
  'bin16': [bytes(300)],
  'fixarray': [[1, -1, 'a']],
  'array16': [range(16)],
  'fixmap': [{ b: 1, a: 2 }],
  'map16': [keyed(16)],
  'fixext1': [new ExtData(5, bytes(1))],
  'fixext2': [new ExtData(5, bytes(2))],
  'fixext4': [new ExtData(5, bytes(4))],
  'fixext8': [new ExtData(5, bytes(8))],
  'fixext16': [new ExtData(5, bytes(16))],
  'ext8': [new ExtData(-1, bytes(3))],
  'ext16': [new ExtData(-1, bytes(300))],
  'config': [{
    Fireware1: { FAN_DUTIES_G1: [0, 30, 60, 100], FAN_DUTIES_G2: [0, 50, 100] },
    Fireware2: { FAN_DUTIES_G1: [0, 20, 300], Other: 'ignored' },
  }],
  'document': [{
    list: [0, 255, 65536, -33, -40000, 2.5, null, true, 'x'.repeat(40), bytes(5)],
    nested: { deeper: { deepest: [[], {}, ''] } },
    ext: new ExtData(9, bytes(2)),
  }],
};

for (const [name, [value, options]] of Object.entries(fixtures))
  writeFileSync(join(process.argv[2], `${name}.msgpack`), encode(value, options));
