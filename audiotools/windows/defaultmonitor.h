// The capture source that hears what is played: the monitor of the sound server's default
// output.
#pragma once

#include <QString>

// The source's server name ("<default sink>.monitor"); empty when there is no server.
QString DefaultSinkMonitor();
