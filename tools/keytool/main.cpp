// SPDX-License-Identifier: GPL-3.0-or-later
// corvane-keytool: makes the DSA key pair that signs the program's data files
// and signs files with it.
//
//   corvane-keytool genkey <private.pem> <public.pem>
//   corvane-keytool sign <private.pem> <file> [<signature>]   (default <file>.sig)
//
// Signatures are SHA-256 with DSA, written as the DER SEQUENCE of r and s that
// the program's verifier takes; keys have a 2048-bit p and a 256-bit q.
#include <openssl/dsa.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
struct PkeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct PkeyCtxFree {
    void operator()(EVP_PKEY_CTX* c) const { EVP_PKEY_CTX_free(c); }
};
struct MdCtxFree {
    void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};
using File = std::unique_ptr<FILE, FileCloser>;
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;
using PkeyCtx = std::unique_ptr<EVP_PKEY_CTX, PkeyCtxFree>;
using MdCtx = std::unique_ptr<EVP_MD_CTX, MdCtxFree>;

constexpr int kPrimeBits = 2048;
constexpr int kSubgroupBits = 256;

bool fail(const char* what)
{
    std::fprintf(stderr, "corvane-keytool: %s\n", what);
    ERR_print_errors_fp(stderr);
    return false;
}

Pkey generateParameters()
{
    PkeyCtx ctx(EVP_PKEY_CTX_new_from_name(nullptr, "DSA", nullptr));
    EVP_PKEY* params = nullptr;
    if (!ctx || EVP_PKEY_paramgen_init(ctx.get()) != 1
        || EVP_PKEY_CTX_set_dsa_paramgen_bits(ctx.get(), kPrimeBits) != 1
        || EVP_PKEY_CTX_set_dsa_paramgen_q_bits(ctx.get(), kSubgroupBits) != 1
        || EVP_PKEY_paramgen(ctx.get(), &params) != 1)
        return nullptr;
    return Pkey(params);
}

Pkey generateKey()
{
    const Pkey params = generateParameters();
    if (!params)
        return nullptr;
    PkeyCtx ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, params.get(), nullptr));
    EVP_PKEY* key = nullptr;
    if (!ctx || EVP_PKEY_keygen_init(ctx.get()) != 1 || EVP_PKEY_keygen(ctx.get(), &key) != 1)
        return nullptr;
    return Pkey(key);
}

// The private half must never be readable by others, not even briefly: a
// new file is made with the mode, and a file that already exists gets it
// before anything is written into it.
File openForWriting(const char* path, mode_t mode)
{
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0)
        return nullptr;
    File f(fchmod(fd, mode) == 0 ? fdopen(fd, "wb") : nullptr);
    if (!f)
        close(fd);
    return f;
}

bool writeKeyPair(const EVP_PKEY* key, const char* privatePath, const char* publicPath)
{
    File priv = openForWriting(privatePath, 0600);
    if (!priv || PEM_write_PrivateKey(priv.get(), key, nullptr, nullptr, 0, nullptr, nullptr) != 1)
        return fail("cannot write the private key");
    File pub = openForWriting(publicPath, 0644);
    if (!pub || PEM_write_PUBKEY(pub.get(), key) != 1)
        return fail("cannot write the public key");
    return std::fflush(priv.get()) == 0 && std::fflush(pub.get()) == 0;
}

bool genkey(const char* privatePath, const char* publicPath)
{
    const Pkey key = generateKey();
    if (!key)
        return fail("DSA key generation failed");
    return writeKeyPair(key.get(), privatePath, publicPath);
}

Pkey readPrivateKey(const char* path)
{
    File f(std::fopen(path, "rb"));
    if (!f)
        return nullptr;
    return Pkey(PEM_read_PrivateKey(f.get(), nullptr, nullptr, nullptr));
}

bool digestFile(EVP_MD_CTX* ctx, const char* path)
{
    File f(std::fopen(path, "rb"));
    if (!f)
        return false;
    std::vector<unsigned char> chunk(4096);
    size_t n;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), f.get())) > 0) {
        if (EVP_DigestSignUpdate(ctx, chunk.data(), n) != 1)
            return false;
    }
    return std::ferror(f.get()) == 0;
}

bool sign(const char* privatePath, const char* dataPath, const std::string& signaturePath)
{
    const Pkey key = readPrivateKey(privatePath);
    if (!key || EVP_PKEY_get_base_id(key.get()) != EVP_PKEY_DSA)
        return fail("cannot read a DSA private key");
    MdCtx ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1)
        return fail("cannot start signing");
    if (!digestFile(ctx.get(), dataPath))
        return fail("cannot read the file to sign");
    size_t length = 0;
    if (EVP_DigestSignFinal(ctx.get(), nullptr, &length) != 1)
        return fail("signing failed");
    std::vector<unsigned char> signature(length);
    if (EVP_DigestSignFinal(ctx.get(), signature.data(), &length) != 1)
        return fail("signing failed");
    File out(std::fopen(signaturePath.c_str(), "wb"));
    if (!out || std::fwrite(signature.data(), 1, length, out.get()) != length
        || std::fflush(out.get()) != 0)
        return fail("cannot write the signature");
    return true;
}

int usage()
{
    std::fprintf(stderr,
                 "usage: corvane-keytool genkey <private.pem> <public.pem>\n"
                 "       corvane-keytool sign <private.pem> <file> [<signature>]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "genkey") == 0)
        return genkey(argv[2], argv[3]) ? 0 : 1;
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "sign") == 0)
        return sign(argv[2], argv[3], argc == 5 ? argv[4] : std::string(argv[3]) + ".sig") ? 0 : 1;
    return usage();
}
