// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

/**
 * Signing through the openssl command line with the test key pair, whose
 * public half the suites embed as the program's key. "Other" is a second key
 * over the same DSA group, which the embedded key must not accept.
 */
namespace TestSigning {

enum class Key { Test, Other };

#ifndef Q_OS_WIN
/// Runs openssl with @p arguments; true on exit code 0. Output goes to @p output.
bool runOpenssl(const QStringList& arguments, QByteArray* output = nullptr);
#endif

/// SHA-256/DSA signature (DER) of the file at @p dataPath into @p signaturePath.
bool signFile(const QString& dataPath, const QString& signaturePath, Key key = Key::Test);

/// The signature of @p data; empty if openssl failed.
QByteArray sign(const QByteArray& data, Key key = Key::Test);

QString publicKeyPath();
QString privateKeyPath();

} // namespace TestSigning
