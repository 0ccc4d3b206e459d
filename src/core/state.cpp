#include "core/state.h"

namespace vantorel {
ExplorationState state;
}
