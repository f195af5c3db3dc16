// Dry-run switch.
#include "platform/system/dryrun.h"

#include <QByteArray>
#include <QtGlobal>

namespace orvane {
bool systemDryRun() { return qgetenv("ORVANE_DRY_RUN_SYSTEM") == "1"; }
}  // namespace orvane
