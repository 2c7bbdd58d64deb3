#include "support/xz_file.h"

#include <lzma.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

namespace zavlin::testsupport {

bool readXzFile(const std::filesystem::path& path, std::string& bytes, std::string& message) {
    bytes.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        message = "cannot open " + path.string();
        return false;
    }
    const std::vector<uint8_t> packed{std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>()};
    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_stream_decoder(&stream, UINT64_MAX, 0) != LZMA_OK) {
        message = "the xz decoder did not start";
        return false;
    }
    stream.next_in = packed.data();
    stream.avail_in = packed.size();
    std::vector<uint8_t> chunk(1 << 20);
    lzma_ret ret = LZMA_OK;
    while (ret == LZMA_OK) {
        stream.next_out = chunk.data();
        stream.avail_out = chunk.size();
        ret = lzma_code(&stream, LZMA_FINISH);
        bytes.append(reinterpret_cast<const char*>(chunk.data()), chunk.size() - stream.avail_out);
    }
    lzma_end(&stream);
    if (ret != LZMA_STREAM_END) {
        message = path.string() + " is not a whole xz file (code " +
                  std::to_string(static_cast<int>(ret)) + ")";
        bytes.clear();
        return false;
    }
    return true;
}

}  // namespace zavlin::testsupport
