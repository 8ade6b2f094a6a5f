#pragma once

#include <zlib.h>

#include <vector>

#include "packager/FolderCoder.h"

namespace Cabinet {

// MSZIP: each frame is "CK" and a complete deflate stream, compressed with
// the frame before it as the preset dictionary (the decoders keep the last
// 32 KiB they wrote), so that the folder compresses like one stream.
class MszipCoder : public FolderCoder {
public:
    MszipCoder();
    ~MszipCoder() override;
    MszipCoder(const MszipCoder&) = delete;
    MszipCoder& operator=(const MszipCoder&) = delete;

    uint16_t Type() const override { return CompressionTypeMszip; }
    void Begin(uint64_t expectedSize) override;
    void Flush() override {}

protected:
    void Code(const uint8_t* data, uint32_t size) override;

private:
    z_stream m_stream = {};
    std::vector<uint8_t> m_previous;
};

}  // namespace Cabinet
