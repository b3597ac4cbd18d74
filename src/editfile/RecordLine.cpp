#include "editfile/RecordLine.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "base/NumberText.h"
#include "editfile/ItemReader.h"

namespace movalux {

namespace {

int floorDiv100(int v) { return v >= 0 ? v / 100 : -((-v + 99) / 100); }

template <class Int>
std::optional<Int> integerItem(const Item& item) {
    auto v = parseInteger(item.text);
    if (!v || *v < std::numeric_limits<Int>::min() || *v > std::numeric_limits<Int>::max()) return std::nullopt;
    return static_cast<Int>(*v);
}

std::optional<float> floatItem(const Item& item) {
    auto v = parseNumber(item.text);
    if (!v || std::abs(*v) > std::numeric_limits<float>::max()) return std::nullopt;
    return static_cast<float>(*v);
}

}  // namespace

int recordLayer(int16_t code) { return floorDiv100(code); }
int16_t recordKind(int16_t code) { return static_cast<int16_t>(code - 100 * floorDiv100(code)); }
int RecordLine::layer() const { return recordLayer(code); }

Result<RecordLine> parseRecordLine(std::string_view line) {
    ItemReader reader(line);
    std::vector<Item> items;
    while (auto item = reader.next()) items.push_back(std::move(*item));
    if (reader.failed()) return Error{"missing closing quote in record: " + std::string(line)};
    if (items.size() != 8)
        return Error{"a record has 8 items (FRAME,CODE,X,Y,W,H,PARAM,\"TEXT\"): " + std::string(line)};

    RecordLine r;
    auto frame = integerItem<int32_t>(items[0]);
    auto code = integerItem<int16_t>(items[1]);
    auto param = integerItem<int16_t>(items[6]);
    if (!frame) return Error{"bad frame number in record: " + items[0].text};
    if (!code) return Error{"bad effect code in record: " + items[1].text};
    float* geometry[] = {&r.rec.X, &r.rec.Y, &r.rec.W, &r.rec.H};
    for (int i = 0; i < 4; ++i) {
        auto v = floatItem(items[static_cast<size_t>(2 + i)]);
        if (!v) return Error{"bad number in record: " + items[static_cast<size_t>(2 + i)].text};
        *geometry[i] = *v;
    }
    if (!param) return Error{"bad parameter in record: " + items[6].text};
    r.frame = *frame;
    r.code = *code;
    r.rec.Kind = recordKind(*code);
    r.rec.Param = *param;
    r.rec.Text = items[7].text;
    return r;
}

}  // namespace movalux
