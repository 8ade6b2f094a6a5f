#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "payload/CabinetHeader.h"

namespace Cabinet {

// Uncompressed bytes in one data block: every block of a folder but its last
// holds exactly this many (decoders of the format assume it).
const uint32_t FrameSize = DataBlockUncompressedLimit;
// No coded frame is larger: a frame that does not compress is stored.
const uint32_t CodedFrameLimit = FrameSize + 32;

enum class CompressionMethod { None, Mszip, Lzx };

struct Compression {
    CompressionMethod method = CompressionMethod::Lzx;
    // LZX's window: 2^15 to 2^21 bytes.
    int lzxWindow = 21;
    // LZX's x86 call translation. It makes the calls of x86 code compress
    // better, and costs every decoder a pass over each frame it unpacks, so
    // it is worth having only for payloads that hold such code.
    bool translateCalls = true;
};

// The compressed bytes of one frame and its uncompressed size.
struct CodedFrame {
    std::vector<uint8_t> bytes;
    uint32_t size = 0;
};

// Compresses one folder at a time, frame by frame. Frames are pushed in
// order; their coded forms come out in the same order, possibly later: a
// coder may keep several frames to choose its codes for them together.
class FolderCoder {
public:
    virtual ~FolderCoder() = default;
    // The compression type of the folder entry.
    virtual uint16_t Type() const = 0;
    // Starts a folder, keeping nothing of the one before. expectedSize: about
    // how much the folder will hold (0: not known).
    virtual void Begin(uint64_t expectedSize) = 0;
    void Push(const uint8_t* data, uint32_t size) {
        ++m_pushed;
        Code(data, size);
    }
    // Codes every frame pushed so far.
    virtual void Flush() = 0;

    // The next coded frame, when there is one.
    bool Pop(CodedFrame& frame);
    // Frames pushed and not popped yet.
    uint32_t Pending() const { return m_pushed - m_popped; }

protected:
    virtual void Code(const uint8_t* data, uint32_t size) = 0;
    void Emit(CodedFrame&& frame);

private:
    std::deque<CodedFrame> m_ready;
    uint32_t m_pushed = 0;
    uint32_t m_popped = 0;
};

std::unique_ptr<FolderCoder> MakeFolderCoder(const Compression& compression);

}  // namespace Cabinet
