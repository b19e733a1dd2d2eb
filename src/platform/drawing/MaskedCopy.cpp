// The masked copy: a monochrome mask of the key colour and its inverse, joined by block
// copies through memory contexts.

#include "platform/drawing/MaskedCopy.h"

#include "platform/runtime/Vb.h"

#include <limits>
#include <memory>

namespace platform {

namespace {

// A block side as the masked copy takes it: a 16-bit count.
int blockSide(int32_t from, int32_t to)
{
    const int64_t side = int64_t(to) - int64_t(from) + 1;
    if (side > std::numeric_limits<int16_t>::max() || side < std::numeric_limits<int16_t>::min())
        throw platform::VbError(platform::vbErrOverflow, QStringLiteral("Overflow"));
    return int(side);
}

// A memory context compatible with `reference` and the bitmap it held before `bitmap`
// was selected into it, so that the bitmap can be taken out again before both go.
struct MemoryContext {
    std::unique_ptr<gdi::MemoryDc> dc;
    gdi::BitmapPtr kept;
    MemoryContext(const gdi::Dc* reference, gdi::BitmapPtr bitmap) : dc(gdi::createCompatibleDc(reference))
    {
        kept = dc->selectBitmap(std::move(bitmap));
    }
    // Selects the kept bitmap back; the one that comes out is released with it.
    void release() { dc->selectBitmap(kept); }
};

} // namespace

void transparentblit(gdi::Dc* outputDc, gdi::Dc* workDc, gdi::Dc* sourceDc, int32_t (&sourceRect)[4], int32_t destX,
                     int32_t destY, gdi::Colour& keyColour)
{
    const int w = blockSide(sourceRect[0], sourceRect[2]);
    const int h = blockSide(sourceRect[1], sourceRect[3]);
    MemoryContext mask(workDc, gdi::createBitmap(w, h, 1, 1));
    MemoryContext inverse(workDc, gdi::createBitmap(w, h, 1, 1));
    MemoryContext resultDest(workDc, gdi::createCompatibleBitmap(workDc, w, h));
    MemoryContext resultSource(workDc, gdi::createCompatibleBitmap(workDc, w, h));

    // The mask: white where the source has the key colour (the source's background
    // colour in a copy to monochrome), black elsewhere.
    const gdi::Colour oldBackground = sourceDc->setBkColour(keyColour);
    gdi::bitBlt(mask.dc.get(), 0, 0, w, h, sourceDc, sourceRect[0], sourceRect[1], gdi::SRCCOPY);
    keyColour = sourceDc->setBkColour(oldBackground);
    gdi::bitBlt(inverse.dc.get(), 0, 0, w, h, mask.dc.get(), 0, 0, gdi::NOTSRCCOPY);

    // The background kept where the key is, the source where it is not, then the two
    // joined: each side is black where the other shows.
    gdi::bitBlt(resultDest.dc.get(), 0, 0, w, h, workDc, destX, destY, gdi::SRCCOPY);
    gdi::bitBlt(resultDest.dc.get(), 0, 0, w, h, mask.dc.get(), 0, 0, gdi::SRCAND);
    gdi::bitBlt(resultSource.dc.get(), 0, 0, w, h, sourceDc, sourceRect[0], sourceRect[1], gdi::SRCCOPY);
    gdi::bitBlt(resultSource.dc.get(), 0, 0, w, h, inverse.dc.get(), 0, 0, gdi::SRCAND);
    gdi::bitBlt(resultDest.dc.get(), 0, 0, w, h, resultSource.dc.get(), 0, 0, gdi::SRCINVERT);
    gdi::bitBlt(outputDc, destX, destY, w, h, resultDest.dc.get(), 0, 0, gdi::SRCCOPY);

    for (MemoryContext* context : {&mask, &inverse, &resultDest, &resultSource})
        context->release();
}

} // namespace platform
