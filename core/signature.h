// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

/**
 * Checks that @p signatureFile holds a SHA-256/DSA signature (DER) of the
 * full contents of @p dataFile under the public key compiled in as the
 * resource ":/res/cert/cv2_dsa_public.pem". Relative names are taken beside
 * the executable. A signature file of 5120 bytes or more is refused unread;
 * the data is streamed, never held whole. Every failure, of whatever cause,
 * is just false. Keeps no state: safe on any thread.
 */
bool verifyFileSignature(const QString& dataFile, const QString& signatureFile);

/** The same check on contents already in memory, without size limits. */
bool verifySignature(const QByteArray& data, const QByteArray& signature);

/**
 * Frees what OpenSSL keeps for the calling thread (its error queue among
 * others). A worker thread calls it once its checks are done: OpenSSL would
 * free it only in the thread's exit handler, which may run after wait() has
 * returned and the process has begun to exit, when OpenSSL has already
 * dropped that handler, and the memory is lost.
 */
void releaseSignatureThreadState();
