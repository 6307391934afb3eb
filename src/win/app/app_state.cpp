#include "app/app_state.h"

namespace qv::win {

AppState& app() {
    static AppState state;
    return state;
}

int deviceCardType() { return app().device != noDevice ? app().driver.qvCardType(app().device) : 0; }

} // namespace qv::win
