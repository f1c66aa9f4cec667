// SPDX-License-Identifier: GPL-3.0-or-later
// corvane-devbench: runs a command in a umockdev testbed in which the
// simulator's controllers are kernel devices, so that programs linked with
// the system's hidapi (hidraw backend) and libudev, the shipped ones, find,
// open, drive and lose them as they would real controllers.
//
//   corvane-devbench -- COMMAND [ARGUMENTS...]
//
// The controllers, the report log, the control FIFO and the silent delay
// are the simulator's: CORVANE_SIM_DEVICES, CORVANE_SIM_LOG,
// CORVANE_SIM_CONTROL, CORVANE_SIM_SILENT_MS (DESIGN.md, section 6). The
// exit status is the command's (128 + n when signal n ended it); 125 when
// the bench itself cannot run, 127 when the command cannot be started.
#include "benchcommand.h"
#include "devbenchlogging.h"
#include "testbedcontrollers.h"

#include "corvanesim.h"

#include <QByteArray>
#include <QCoreApplication>

#include "umockdevapi.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <unistd.h>

namespace {

constexpr int BenchFailed = 125;
const char Preload[] = "libumockdev-preload.so.0";
// Set for the bench's own run once it has put the preload in place, so
// that a preload the loader refused ends in an error instead of a loop.
const char ReexecMarker[] = "CORVANE_DEVBENCH_PRELOADED";

void usage(FILE *to)
{
    std::fputs("usage: corvane-devbench -- COMMAND [ARGUMENTS...]\n"
               "Runs COMMAND with the simulated controllers (CORVANE_SIM_DEVICES) served as\n"
               "/dev/hidrawN nodes with their sysfs devices and udev events; CORVANE_SIM_LOG,\n"
               "CORVANE_SIM_CONTROL and CORVANE_SIM_SILENT_MS as for the simulator.\n",
               to);
}

bool preloaded()
{
    // Already loaded, or not at all: nothing is loaded by asking.
    void *library = dlopen(Preload, RTLD_NOW | RTLD_NOLOAD);
    if (library)
        dlclose(library);
    return library != nullptr;
}

// Appends @p item to the list in environment variable @p name, separated by @p separator.
void appendTo(const char *name, const QByteArray &item, char separator)
{
    QByteArray value = qgetenv(name);
    if (!value.isEmpty())
        value += separator;
    qputenv(name, value + item);
}

// The testbed reaches the programs through libumockdev's preload library:
// the bench's own process needs it too (without it uevents fail), so the
// bench starts itself again with it, and every command inherits it.
// Programs built with AddressSanitizer refuse a preload that comes before
// their runtime unless told that the order is fine.
[[noreturn]] void restartPreloaded(char **argv)
{
    if (qEnvironmentVariableIsSet(ReexecMarker)) {
        std::fprintf(stderr, "corvane-devbench: %s could not be preloaded (is umockdev installed?)\n", Preload);
        std::exit(BenchFailed);
    }
    appendTo("LD_PRELOAD", Preload, ':');
    appendTo("ASAN_OPTIONS", "verify_asan_link_order=0", ':');
    qputenv(ReexecMarker, "1");
    execv("/proc/self/exe", argv);
    std::fprintf(stderr, "corvane-devbench: cannot start again with %s: %s\n", Preload, std::strerror(errno));
    std::exit(BenchFailed);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        usage(stdout);
        return 0;
    }
    if (argc < 3 || std::strcmp(argv[1], "--") != 0) {
        usage(stderr);
        return BenchFailed;
    }
    if (!preloaded())
        restartPreloaded(argv);
    qunsetenv(ReexecMarker);

    QStringList command;
    for (int i = 2; i < argc; ++i)
        command.append(QString::fromLocal8Bit(argv[i]));

    // Qt sees none of the command's arguments.
    int qtArgc = 1;
    QCoreApplication application(qtArgc, argv);

    // Sets UMOCKDEV_DIR, which the command inherits.
    UMockdevTestbed *testbed = umockdev_testbed_new();
    int status = BenchFailed;
    {
        TestbedControllers controllers(testbed);
        // Plug, unplug and fault lines, when CORVANE_SIM_CONTROL names a FIFO.
        QObject *control = CorvaneSim::Bus::instance().startControlChannel(&application);
        if (!control && !qEnvironmentVariableIsEmpty("CORVANE_SIM_CONTROL")) {
            qCCritical(lcDevBench, "cannot read the control FIFO %s", qgetenv("CORVANE_SIM_CONTROL").constData());
        } else {
            status = BenchCommand(command).run();
        }
        delete control;
    }
    g_object_unref(testbed);
    return status;
}
