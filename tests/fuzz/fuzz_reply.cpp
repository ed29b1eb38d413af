// Replies of the line protocols arrive in chunks of any size. The input is cut
// into chunks, each led by one byte giving its length; the assembler must never
// keep more than its limit and must agree with a plain search for the final line.
#include "net/NetSocket.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

bool HasFinalLine(const std::string& text)
{
    if (text.size() < 3)
        return false;
    std::string marker = text.substr(0, 3) + ' ';
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            return false;
        if (end - start >= 4 && text.compare(start, 4, marker) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quillet;
    ReplyAssembler assembler;
    std::string all;
    size_t pos = 0;
    while (pos < size && !assembler.Complete()) {
        size_t length = data[pos++];
        std::string_view chunk(reinterpret_cast<const char*>(data) + pos, std::min(length, size - pos));
        pos += chunk.size();
        assembler.Add(chunk);
        all.append(chunk);
    }
    std::string_view kept = assembler.Text(kReplyBufferSize);
    if (kept.size() > kReplyBufferSize || kept != std::string_view(all).substr(0, kept.size()))
        std::abort();
    if (all.size() < ReplyAssembler::kMaxReply && assembler.Complete() != HasFinalLine(all))
        std::abort();
    (void)ReplyCode(kept);
    return 0;
}
