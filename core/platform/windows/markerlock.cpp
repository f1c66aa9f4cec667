// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/markerlock.h"

#include <QSharedMemory>

// Lock results are ignored on purpose: a marker that cannot be locked is
// still better used than not.
MarkerLock::MarkerLock(QSharedMemory &marker)
    : m_marker(marker)
{
    m_marker.lock();
}

MarkerLock::~MarkerLock()
{
    m_marker.unlock();
}
