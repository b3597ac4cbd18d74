#include "editfile/ItemReader.h"

namespace movalux {

void ItemReader::skipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
}

// Moves one character on, counting lines (CR LF, LF and CR each end one).
void ItemReader::advance() {
    const char c = text_[pos_++];
    if (c == '\n' || (c == '\r' && (pos_ >= text_.size() || text_[pos_] != '\n'))) ++line_;
}

bool ItemReader::atEnd() {
    // Blank lines between records carry no items.
    while (pos_ < text_.size() &&
           (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r' || text_[pos_] == '\n'))
        advance();
    return pos_ >= text_.size();
}

// After an item: one comma, or one line end (CR LF, LF or CR).
void ItemReader::endItem() {
    skipBlanks();
    if (pos_ >= text_.size()) return;
    if (text_[pos_] == ',') {
        ++pos_;
    } else if (text_[pos_] == '\r') {
        advance();
        if (pos_ < text_.size() && text_[pos_] == '\n') advance();
    } else if (text_[pos_] == '\n') {
        advance();
    }
}

std::optional<Item> ItemReader::next() {
    if (failed_ || atEnd()) return std::nullopt;
    itemLine_ = line_;
    Item item;
    if (text_[pos_] == '"') {
        size_t close = text_.find('"', pos_ + 1);
        if (close == std::string_view::npos) {
            failed_ = true;
            return std::nullopt;
        }
        item.text = text_.substr(pos_ + 1, close - pos_ - 1);
        item.quoted = true;
        // A quoted text may run over line ends; keep counting them.
        while (pos_ <= close) advance();
        // Anything up to the separator after the closing quote is dropped.
        while (pos_ < text_.size() && text_[pos_] != ',' && text_[pos_] != '\r' && text_[pos_] != '\n') ++pos_;
    } else {
        size_t end = pos_;
        while (end < text_.size() && text_[end] != ',' && text_[end] != '\r' && text_[end] != '\n') ++end;
        std::string_view raw = text_.substr(pos_, end - pos_);
        while (!raw.empty() && (raw.back() == ' ' || raw.back() == '\t')) raw.remove_suffix(1);
        item.text = raw;
        pos_ = end;
    }
    endItem();
    return item;
}

}  // namespace movalux
