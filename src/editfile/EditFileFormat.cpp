#include "editfile/EditFileFormat.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace movalux {

void appendFloatItem(std::string& out, float value) {
    const double v = value;
    if (v == 0 || !std::isfinite(v)) {
        out += '0';
        return;
    }
    // The seven significant digits as printf's "%.6e" gives them,
    // d.dddddde[+-]XX, correctly rounded (to_chars promises the same).
    char buf[32];
    const auto made =
        std::to_chars(buf, buf + sizeof buf, std::abs(v), std::chars_format::scientific, 6);
    char digits[7];
    int n = 0;
    digits[n++] = buf[0];
    for (int i = 2; i < 8; ++i) digits[n++] = buf[i];
    int exponent = 0;
    const char* e =
        static_cast<const char*>(std::memchr(buf, 'e', static_cast<size_t>(made.ptr - buf)));
    std::from_chars(e + (e[1] == '+' ? 2 : 1), made.ptr, exponent);
    while (n > 1 && digits[n - 1] == '0') --n;

    if (v < 0) out += '-';
    if (exponent < -4 || exponent >= 7) {
        out += digits[0];
        if (n > 1) {
            out += '.';
            out.append(digits + 1, static_cast<size_t>(n - 1));
        }
        const int a = std::abs(exponent);
        out += exponent < 0 ? "E-" : "E+";
        if (a < 10) out += '0';
        out += std::to_string(a);
        return;
    }
    if (exponent < 0) {
        out += '.';
        out.append(static_cast<size_t>(-exponent - 1), '0');
        out.append(digits, static_cast<size_t>(n));
        return;
    }
    const int whole = exponent + 1;
    if (n <= whole) {
        out.append(digits, static_cast<size_t>(n));
        out.append(static_cast<size_t>(whole - n), '0');
        return;
    }
    out.append(digits, static_cast<size_t>(whole));
    out += '.';
    out.append(digits + whole, static_cast<size_t>(n - whole));
}

std::string formatFloatItem(float value) {
    std::string out;
    appendFloatItem(out, value);
    return out;
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
    char buf[24];
    const auto made = std::to_chars(buf, buf + sizeof buf, v);
    out_.append(buf, made.ptr);
    return *this;
}

LineBuilder& LineBuilder::real(float v) {
    sep();
    appendFloatItem(out_, v);
    return *this;
}

const std::string* unwritableText(const EditFileContent& content) {
    auto bad = [](const std::string& t) { return t.find('"') != std::string::npos; };
    if (bad(content.movie)) return &content.movie;
    for (const SavedResource& r : content.resources)
        if (bad(r.file)) return &r.file;
    for (const std::string& t : content.texts)
        if (bad(t)) return &t;
    return nullptr;
}

std::string editFileText(const EditFileContent& c) {
    std::string text;
    // About 40 bytes a record line.
    text.reserve(256 + c.resources.size() * 64 + c.records.size() * 48);
    LineBuilder line(text);
    line.str(kEditFileMagic).end();
    line.str(c.movie).end();
    line.integer(c.markedStart)
        .integer(c.markedEnd)
        .integer(c.firstFrame)
        .integer(c.lastFrame)
        .end();
    line.integer(c.rows).end();
    for (const SavedResource& r : c.resources)
        line.integer(0)
            .integer(0)
            .real(r.slot)
            .real(r.owner)
            .integer(0)
            .integer(0)
            .integer(r.value)
            .str(r.file)
            .end();
    for (const SavedRecord& r : c.records)
        line.integer(r.frame)
            .integer(r.code)
            .real(r.X)
            .real(r.Y)
            .real(r.W)
            .real(r.H)
            .integer(r.Param)
            .str(c.texts[r.text])
            .end();
    return text;
}

bool isValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t n;
        uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if ((c & 0xE0) == 0xC0)
            n = 1, cp = c & 0x1F;
        else if ((c & 0xF0) == 0xE0)
            n = 2, cp = c & 0x0F;
        else if ((c & 0xF8) == 0xF0)
            n = 3, cp = c & 0x07;
        else
            return false;
        if (i + n >= s.size()) return false;  // the sequence runs past the end
        for (size_t k = 1; k <= n; ++k) {
            const auto d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((n == 1 && cp < 0x80) || (n == 2 && cp < 0x800) || (n == 3 && cp < 0x10000) ||
            cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
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

namespace {
int classicErrorNumber(int err) {
    switch (err) {
        case ENOSPC:
            return 61;
        case EACCES:
        case EPERM:
        case EROFS:
            return 70;
        case ENOENT:
        case ENOTDIR:
            return 76;
        default:
            return 75;
    }
}
}  // namespace

Result<bool> writeFileReplacing(const std::string& path, std::string_view data,
                                FileWriteError* error) {
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
    // The new name itself is on disk only once the folder is.
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        (void)::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

std::string FileTitle(std::string_view path) {
    const size_t cut = path.find_last_of("\\/");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

}  // namespace movalux
