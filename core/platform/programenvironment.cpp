// SPDX-License-Identifier: GPL-3.0-or-later
#include "programenvironment.h"

namespace {

// The program draws nothing with OpenGL, but left to itself the xcb platform
// plug-in sets up GLX for its first window and so loads the system's OpenGL
// driver (Mesa's software one brings tens of megabytes of LLVM): start-up
// time and resident memory for nothing.
constexpr char GlIntegration[] = "QT_XCB_GL_INTEGRATION";

bool glIntegrationIsOurs = false;

} // namespace

void ProgramEnvironment::setBeforeApplication()
{
    glIntegrationIsOurs = !qEnvironmentVariableIsSet(GlIntegration) && qputenv(GlIntegration, "none");
}

QProcessEnvironment ProgramEnvironment::forStartedPrograms()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (glIntegrationIsOurs)
        environment.remove(QLatin1String(GlIntegration));
    return environment;
}
