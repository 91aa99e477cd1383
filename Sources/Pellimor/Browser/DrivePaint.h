#pragma once

namespace pellimor {

// How a library row is coloured when the browser groups libraries by drive: `hue` is the
// position of its drive among the tree's drives in name order (BrowserTree::rowTint takes it
// round the six hues), `stripe` its position among the libraries of that drive, counted from 0
// in tree order, so neighbours alternate between a stronger and a weaker tint.
struct DrivePaint {
    int hue = 0;
    int stripe = 0;
    bool operator==(const DrivePaint&) const = default;
};

} // namespace pellimor
