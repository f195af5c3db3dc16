// Images and colours a skin description does not hold directly, derived from its other
// elements: the combo-box image and arrow strip, the tool-bar gradient, the built-in
// track images and the window colour.
#pragma once

#include "skin/skindata.h"

namespace orvane::skin {

// Resource paths of the program's built-in skin images.
inline constexpr const char* BuiltinTrackResource = ":/skin/builtin/TRACK.bmp";
inline constexpr const char* BuiltinTrackVertResource = ":/skin/builtin/TRACKVERT.bmp";
inline constexpr const char* MenuGlyphsResource = ":/skin/builtin/CORVELMENU.bmp";

// A track element built from the program's resource ("TRACK" or "TRACKVERT").
std::unique_ptr<TDataSkinObject> BuiltinTrack(const QString& name);
// The colour of the top border image at a third of its width and of its first frame's
// height; ButtonFace when there is no top border image.
TColor WindowColour(const TSkinData& data);
// The combo image (when the skin has a sunken edge and a combo button), the "ComboxArrow"
// strip and the "Toolbar" gradient; `arrowWidth` is the scroll-bar arrow width.
void BuildDerivedImages(TSkinData& data, int arrowWidth);

}  // namespace orvane::skin
