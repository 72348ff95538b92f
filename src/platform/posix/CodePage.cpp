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
