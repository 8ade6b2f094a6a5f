#include "packager/MszipCoder.h"

#include <utility>

#include "lib/SystemError.h"

namespace Cabinet {

namespace {

const int kLevel = 9;
const int kMemoryLevel = 9;
// Raw deflate with a 32 KiB window: the block has no zlib header of its own.
const int kRawWindowBits = -15;

[[noreturn]] void Fail(int result) {
    Kestlib::ThrowError(L"Error compressing the payload (MSZIP): zlib error " + std::to_wstring(result));
}

}  // namespace

MszipCoder::MszipCoder() {
    int result = ::deflateInit2(&m_stream, kLevel, Z_DEFLATED, kRawWindowBits, kMemoryLevel, Z_DEFAULT_STRATEGY);
    if (result != Z_OK) Fail(result);
}

MszipCoder::~MszipCoder() { ::deflateEnd(&m_stream); }

void MszipCoder::Begin(uint64_t) { m_previous.clear(); }

void MszipCoder::Code(const uint8_t* data, uint32_t size) {
    int result = ::deflateReset(&m_stream);
    if (result == Z_OK && !m_previous.empty())
        result = ::deflateSetDictionary(&m_stream, m_previous.data(), static_cast<uInt>(m_previous.size()));
    if (result != Z_OK) Fail(result);
    CodedFrame frame;
    frame.size = size;
    frame.bytes.resize(2 + ::deflateBound(&m_stream, size));
    frame.bytes[0] = 'C';
    frame.bytes[1] = 'K';
    m_stream.next_in = const_cast<Bytef*>(data);
    m_stream.avail_in = size;
    m_stream.next_out = frame.bytes.data() + 2;
    m_stream.avail_out = static_cast<uInt>(frame.bytes.size() - 2);
    result = ::deflate(&m_stream, Z_FINISH);
    if (result != Z_STREAM_END) Fail(result);
    frame.bytes.resize(frame.bytes.size() - m_stream.avail_out);
    // Incompressible data takes stored blocks, a few bytes more than the frame.
    if (frame.bytes.size() > CodedFrameLimit) Fail(Z_BUF_ERROR);
    m_previous.assign(data, data + size);
    Emit(std::move(frame));
}

}  // namespace Cabinet
