#include "packager/FolderCoder.h"

#include <utility>

#include "packager/LzxCoder.h"
#include "packager/MszipCoder.h"

namespace Cabinet {

namespace {

// The frames as they are.
class StoredCoder : public FolderCoder {
public:
    uint16_t Type() const override { return CompressionTypeNone; }
    void Begin(uint64_t) override {}
    void Flush() override {}

protected:
    void Code(const uint8_t* data, uint32_t size) override {
        CodedFrame frame;
        frame.bytes.assign(data, data + size);
        frame.size = size;
        Emit(std::move(frame));
    }
};

}  // namespace

bool FolderCoder::Pop(CodedFrame& frame) {
    if (m_ready.empty()) return false;
    frame = std::move(m_ready.front());
    m_ready.pop_front();
    ++m_popped;
    return true;
}

void FolderCoder::Emit(CodedFrame&& frame) { m_ready.push_back(std::move(frame)); }

std::unique_ptr<FolderCoder> MakeFolderCoder(const Compression& compression) {
    switch (compression.method) {
        case CompressionMethod::None:
            return std::unique_ptr<FolderCoder>(new StoredCoder());
        case CompressionMethod::Mszip:
            return std::unique_ptr<FolderCoder>(new MszipCoder());
        case CompressionMethod::Lzx:
            break;
    }
    return std::unique_ptr<FolderCoder>(new LzxCoder(compression.lzxWindow, compression.translateCalls));
}

}  // namespace Cabinet
