#include "app/app_state.h"

namespace qv::win {

AppState& app() {
    static AppState state;
    return state;
}

} // namespace qv::win
