// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QVariant>

/**
 * Loads the signed global configuration off the GUI thread. Lives in the
 * main window's worker thread; has no state of its own.
 */
class MainWindowCoProcessor final : public QObject
{
    Q_OBJECT

public:
    /// "cv2global.conf" must be smaller than this.
    static constexpr qint64 maxConfigSize = 1048576;
    /// "cv2global.conf.sig" must be smaller than this.
    static constexpr qint64 maxSignatureSize = 524288;

    explicit MainWindowCoProcessor(QObject* parent = nullptr);

signals:
    /**
     * The outcome of one load. @p isVerified is true only when the
     * configuration file and its signature were within their size limits and
     * the signature verified; only then is @p conf the decoded document
     * (possibly invalid if it does not decode), otherwise it is invalid.
     */
    void initGlobalConfig(const QVariant& conf, bool isVerified);

public slots:
    /**
     * Reads "cv2global.conf" and "cv2global.conf.sig" beside the executable,
     * verifies and decodes, and emits initGlobalConfig exactly once.
     */
    void loadDeviceGlobalConfig();
};
