#pragma once

namespace tolvo {

// The ten device ports (MSComm 0..9).
class Comm {
public:
    Comm() = default;
};

} // namespace tolvo
