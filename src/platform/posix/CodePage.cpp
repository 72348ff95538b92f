#include <iconv.h>

#include <cerrno>
#include <cstddef>

#include "platform/CodePage.h"

namespace {

// Owns one iconv conversion descriptor.
class IconvHandle {
  public:
    IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (valid()) {
            iconv_close(cd_);
        }
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

  private:
    iconv_t cd_;
};

}  // namespace

int LegacyCodePageNumber() {
    return 54936;  // GB18030
}

bool Utf8ToAnsiCodePage(const std::string& utf8, std::size_t maxBytes, std::string& out) {
    std::size_t n = utf8.size() < maxBytes ? utf8.size() : maxBytes;
    if (n < utf8.size()) {
        // Back to the start of the character the cut falls in.
        while (n > 0 && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80) {
            --n;
        }
    }
    out.assign(utf8, 0, n);
    return true;
}

bool LegacyCodePageToUtf8(const std::string& in, std::string& out) {
    out.clear();
    IconvHandle cd("UTF-8", "GB18030");
    if (!cd.valid()) {
        return false;
    }
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char chunk[4096];
    while (inLeft > 0) {
        char* outPtr = chunk;
        std::size_t outLeft = sizeof(chunk);
        std::size_t rc = iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(chunk, sizeof(chunk) - outLeft);
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // EILSEQ: not GB18030; EINVAL: the text ends inside a character.
            out.clear();
            return false;
        }
    }
    // Flush any pending shift state (none for GB18030, but cheap to be exact).
    char* outPtr = chunk;
    std::size_t outLeft = sizeof(chunk);
    iconv(cd.get(), nullptr, nullptr, &outPtr, &outLeft);
    out.append(chunk, sizeof(chunk) - outLeft);
    return true;
}
