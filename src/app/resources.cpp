#include "app/resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE has to be used outside any namespace.
static void RegisterSoundResource() {
    Q_INIT_RESOURCE(velnorix_sound);
}

namespace velnorix {

void RegisterProgramResources() {
    RegisterSoundResource();
}

} // namespace velnorix
