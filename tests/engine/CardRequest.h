#pragma once
// The test card as the engine's transmit request in a mode (at the request's default rate).

#include "TestCard.h"
#include "encoder.h"

#include <QImage>

#include <algorithm>

inline vareror::core::TxRequest cardRequest(int mode)
{
    const QImage card = testsupport::testCard().convertToFormat(QImage::Format_RGB888);
    vareror::core::TxRequest request;
    request.mode = mode;
    request.picture = vareror::core::RgbImage(card.width(), card.height());
    for (int y = 0; y < card.height(); ++y)
        std::copy_n(card.constScanLine(y), size_t(card.width()) * 3, request.picture.pixel(0, y));
    return request;
}
