// One colour for each kind of object wherever a take is drawn: bones
// orange and markers blue on the player page (page/player.js holds the
// same values), in the preview picture and in glTF files.
#pragma once

namespace tovcolours {

constexpr unsigned kBoneRgb = 0xf0a030;
constexpr unsigned kMarkerRgb = 0x4da3ff;
constexpr char kBoneHex[] = "#f0a030";
constexpr char kMarkerHex[] = "#4da3ff";

// As the host keeps a wire colour: 0x00BBGGRR.
constexpr unsigned WireColour(unsigned rgb) {
    return ((rgb & 0xff) << 16) | (rgb & 0xff00) | ((rgb >> 16) & 0xff);
}

}  // namespace tovcolours
