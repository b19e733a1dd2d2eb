#pragma once
// What a drag inside the window carries. Every drag source writes its code before it
// starts the drag (the canvas keeps it: CanvasRoom::dragSource); every drop target reads it
// instead of the control the drop event names.

namespace interfaces {

// 2 to 5 and 21 to 23 are the strip slots (the Image number), 11 to 14 the browser's
// thumbnails, 15 to 18 the recent pictures.
enum DragSourceCode : int {
    dragNone = 0,
    dragTxPicture = 8,  // the TX picture itself; also the resting value after SET and take-back
    dragMugShot = 10,
    dragCallSign = 19,  // the call sign of Text3, to be drawn as text
    dragFskIdText = 20, // the received FSK identification of Label56, as text
    dragShapeTool = 99, // not a drag: a shape waits to be placed
};
// The browser's thumbnails, slot 1 to 4 (Image8 to Image11), carry 11 to 14: the slot's
// number after dragBrowserSlot0.
inline constexpr int dragBrowserSlot0 = 10;
inline constexpr int kBrowserSlots = 4;
inline constexpr int browserSlotCode(int slot) { return dragBrowserSlot0 + slot; }
inline constexpr int browserSlotOf(int code) { return code - dragBrowserSlot0; }
inline bool isStripSlot(int code) { return (code >= 2 && code <= 5) || (code >= 21 && code <= 23); }
inline bool isBrowserSlot(int code) { return code > dragBrowserSlot0 && code <= browserSlotCode(kBrowserSlots); }
inline bool isRecentPicture(int code) { return code >= 15 && code <= 18; }
// A code whose picture a drop can take as the whole TX picture.
inline bool isPictureSource(int code)
{
    return isStripSlot(code) || isBrowserSlot(code) || isRecentPicture(code) || code == dragMugShot;
}

} // namespace interfaces
