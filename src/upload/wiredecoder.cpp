// Placeholder until the decoder lands.
#include "wiredecoder.h"

struct WireDecoder::State
{
};

WireDecoder::WireDecoder()
    : d(new State)
{
}

WireDecoder::~WireDecoder()
{
    delete d;
}

void WireDecoder::feed(const QByteArray &) {}

void WireDecoder::finish() {}

QList<DecodedFrame> WireDecoder::takeFrames()
{
    return {};
}

QImage DecodedFrame::toImage() const
{
    return {};
}
