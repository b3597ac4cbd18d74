#pragma once
// Items of the edit file's text: separated by commas, strings in double
// quotes without escapes, read in order regardless of line breaks. An
// unquoted item ends at a comma or a line end, a quoted one at its closing
// quote.

#include <optional>
#include <string>
#include <string_view>

namespace movalux {

struct Item {
    std::string text;
    bool quoted = false;
};

class ItemReader {
public:
    explicit ItemReader(std::string_view text) : text_(text) {}

    // The next item, or nothing at the end of the text. A quoted item
    // without its closing quote is an error: nothing, and failed() is true.
    std::optional<Item> next();
    bool atEnd();
    bool failed() const { return failed_; }
    // The line (from 1) on which the last item returned started.
    int line() const { return itemLine_; }

private:
    void skipBlanks();
    void endItem();

    std::string_view text_;
    void advance();

    size_t pos_ = 0;
    int line_ = 1;
    int itemLine_ = 0;
    bool failed_ = false;
};

}  // namespace movalux
