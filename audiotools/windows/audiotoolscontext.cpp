// The audio tools' view of the program.
#include "audiotools/windows/audiotoolscontext.h"

AudioToolsContext& AudioTools() {
  static AudioToolsContext context;
  return context;
}
