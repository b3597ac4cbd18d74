#include "editfile/EditFileFormat.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/ClassicError.h"

namespace movalux {

std::string formatFloatItem(float value) {
    const double v = value;
    if (v == 0 || !std::isfinite(v)) return "0";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6e", std::abs(v));  // d.dddddde[+-]XX
    std::string digits;
    digits += buf[0];
    digits.append(buf + 2, 6);
    const int exponent = std::atoi(std::strchr(buf, 'e') + 1);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out = v < 0 ? "-" : "";
    if (exponent < -4 || exponent >= 7) {
        out += digits[0];
        if (digits.size() > 1) out += "." + digits.substr(1);
        char e[16];
        std::snprintf(e, sizeof e, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        return out + e;
    }
    if (exponent < 0) return out + "." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    const size_t whole = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= whole) return out + digits + std::string(whole - digits.size(), '0');
    return out + digits.substr(0, whole) + "." + digits.substr(whole);
}

void LineBuilder::sep() {
    if (!first_) out_ += ',';
    first_ = false;
}

LineBuilder& LineBuilder::str(std::string_view s) {
    sep();
    out_ += '"';
    out_ += s;
    out_ += '"';
    return *this;
}

LineBuilder& LineBuilder::integer(long long v) {
    sep();
    out_ += std::to_string(v);
    return *this;
}

LineBuilder& LineBuilder::real(float v) {
    sep();
    out_ += formatFloatItem(v);
    return *this;
}

bool isValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t n;
        uint32_t cp;
        if (c < 0x80) { ++i; continue; }
        if ((c & 0xE0) == 0xC0) n = 1, cp = c & 0x1F;
        else if ((c & 0xF0) == 0xE0) n = 2, cp = c & 0x0F;
        else if ((c & 0xF8) == 0xF0) n = 3, cp = c & 0x07;
        else return false;
        if (i + n >= s.size()) return false;  // the sequence runs past the end
        for (size_t k = 1; k <= n; ++k) {
            const auto d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((n == 1 && cp < 0x80) || (n == 2 && cp < 0x800) || (n == 3 && cp < 0x10000) || cp > 0x10FFFF ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n + 1;
    }
    return true;
}

std::string decodeEditFileText(std::string_view bytes) {
    if (isValidUtf8(bytes)) {
        if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
        return std::string(bytes);
    }
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() * 3 / 2 + 16);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char buf[4096];
    while (inLeft > 0) {
        char* o = buf;
        size_t oLeft = sizeof buf;
        size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buf, static_cast<size_t>(o - buf));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // A byte that is not CP932 either: show it as a replacement
            // character and go on.
            out += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}


Result<bool> writeFileReplacing(const std::string& path, std::string_view data, FileWriteError* error) {
    auto fail = [&](int err, const std::string& what) -> Result<bool> {
        if (error) *error = {classicErrorNumber(err), what + ": " + std::strerror(err)};
        return Error{what + ": " + std::strerror(err)};
    };
    std::filesystem::path target(path);
    std::filesystem::path dir = target.parent_path();
    if (dir.empty()) dir = ".";
    std::string tmpl = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
    int fd = mkstemp(tmpl.data());
    if (fd < 0) return fail(errno, path);
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            ::unlink(tmpl.c_str());
            return fail(err, path);
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        int err = errno;
        ::unlink(tmpl.c_str());
        return fail(err, path);
    }
    // mkstemp makes the file private; an edit file is an ordinary document.
    ::chmod(tmpl.c_str(), 0644);
    if (::rename(tmpl.c_str(), path.c_str()) != 0) {
        int err = errno;
        ::unlink(tmpl.c_str());
        return fail(err, path);
    }
    return true;
}

}  // namespace movalux
