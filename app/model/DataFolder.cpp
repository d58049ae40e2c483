#include "model/DataFolder.h"

#include "platform/Account.h"

namespace tavelin {

std::filesystem::path dataFolder() {
    return std::filesystem::path(platform::dataHome()) / "Tavelin";
}

} // namespace tavelin
