// One colour for each kind of object wherever a take is drawn: bones
// orange and markers blue on the player page (page/player.js holds the
// same values), in the preview picture and in glTF files. Each kind has a
// tint for the left side and one for the right (view/NodeSide.h says which
// names are sided), far enough from each other and from the kind's own
// colour to be told apart on the page's dark background; the player page
// draws in them, and the others may.
#pragma once

namespace tovcolours {

constexpr unsigned kBoneRgb = 0xf0a030;
constexpr unsigned kMarkerRgb = 0x4da3ff;
constexpr char kBoneHex[] = "#f0a030";
constexpr char kMarkerHex[] = "#4da3ff";

constexpr char kBoneLeftHex[] = "#ff5a6e";
constexpr char kBoneRightHex[] = "#9be35a";
constexpr char kMarkerLeftHex[] = "#ff6eb4";
constexpr char kMarkerRightHex[] = "#3fd98a";

// As the host keeps a wire colour: 0x00BBGGRR.
constexpr unsigned WireColour(unsigned rgb) {
    return ((rgb & 0xff) << 16) | (rgb & 0xff00) | ((rgb >> 16) & 0xff);
}

}  // namespace tovcolours
