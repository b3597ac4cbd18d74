#include "editfile/EditFileFormat.h"

#include <vector>

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

#include "base/ClassicError.h"

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

namespace {

// Code points of valid UTF-8 text, in order.
std::vector<uint32_t> codePoints(std::string_view s) {
    std::vector<uint32_t> out;
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : 3;
        uint32_t cp = n == 0 ? c : n == 1 ? (c & 0x1Fu) : n == 2 ? (c & 0x0Fu) : (c & 0x07u);
        for (size_t k = 1; k <= n && i + k < s.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3Fu);
        out.push_back(cp);
        i += n + 1;
    }
    return out;
}

bool isAsciiLetter(uint32_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
// Accented Latin letters (Latin-1 Supplement and Latin Extended-A and B).
bool isLatinLetter(uint32_t c) {
    return (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7);
}
// Characters a Japanese file name or text holds: kana (full- and
// half-width), kanji, Japanese punctuation and the symbols of JIS X 0208.
bool isJapanese(uint32_t c) {
    return (c >= 0x3000 && c <= 0x30FF) || (c >= 0x31F0 && c <= 0x31FF) ||
           (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF) ||
           (c >= 0x2010 && c <= 0x2312) || (c >= 0x2460 && c <= 0x24FF) ||
           (c >= 0x2500 && c <= 0x26FF) || c == 0xA7 || c == 0xA8 || c == 0xB0 || c == 0xB1 ||
           c == 0xB4 || c == 0xB6 || c == 0xD7 || c == 0xF7;
}

// True when a text read as UTF-8 holds characters that a real UTF-8 file
// would hardly hold where CP932 bytes happen to form them: letters of other
// scripts (Greek, Cyrillic, ...), control codes and Latin-1 signs, and
// accented Latin letters that stand alone rather than in a Latin word.
bool unlikelyAsUtf8(const std::vector<uint32_t>& cps) {
    for (size_t i = 0; i < cps.size(); ++i) {
        const uint32_t c = cps[i];
        if (c < 0x80 || isJapanese(c) || c >= 0x800) continue;
        if (isLatinLetter(c)) {
            auto latin = [&](size_t j) {
                return j < cps.size() && (isAsciiLetter(cps[j]) || isLatinLetter(cps[j]));
            };
            if ((i > 0 && latin(i - 1)) || latin(i + 1)) continue;
        }
        return true;
    }
    return false;
}

// CP932 to UTF-8; `exact` tells whether every byte was CP932.
std::string fromCp932(std::string_view bytes, bool& exact) {
    exact = true;
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        exact = false;
        return std::string(bytes);
    }
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
            exact = false;
            out += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}

bool onlyJapaneseOrAscii(const std::vector<uint32_t>& cps) {
    for (uint32_t c : cps)
        if (c >= 0x80 && !isJapanese(c)) return false;
    return true;
}

}  // namespace

std::string decodeEditFileText(std::string_view bytes) {
    if (isValidUtf8(bytes)) {
        if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return std::string(bytes.substr(3));
        // Bytes that are both valid UTF-8 and valid CP932 (half-width
        // katakana read as UTF-8 give Greek and Cyrillic letters): the
        // reading whose characters are Japanese or ASCII wins; otherwise
        // UTF-8 does.
        if (unlikelyAsUtf8(codePoints(bytes))) {
            bool exact = false;
            std::string cp932 = fromCp932(bytes, exact);
            if (exact && onlyJapaneseOrAscii(codePoints(cp932))) return cp932;
        }
        return std::string(bytes);
    }
    bool exact = false;
    return fromCp932(bytes, exact);
}


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

}  // namespace movalux
