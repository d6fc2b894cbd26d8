#pragma once

#include <stdexcept>

namespace tw {

// A picture that cannot be read or decoded. The message names the file (when one is known)
// and the reason, ready to be shown to the user.
class PictureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace tw
