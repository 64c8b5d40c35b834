#include "platform/MetafileEnumerator.h"

#include "platform/Metafile.h"

#include <optional>

namespace quorvel {

void EnumerateMetafileText(const TMetafile& picture, const std::function<bool(const TMetafileText&)>& visit) {
    if (picture.Empty()) return;
    using namespace emf;
    const MetafileContent& content = picture.Content();
    struct State {
        std::uint32_t align = 0;
        std::optional<LogFont> font;
    };
    State state;
    std::vector<State> saved;
    std::vector<std::optional<LogFont>> fonts(content.header.handles);
    for (const Record& record : content.records) {
        switch (record.type) {
        case EMR_SETTEXTALIGN:
            state.align = std::get<ValueRecord>(record.data).value;
            break;
        case EMR_EXTCREATEFONTINDIRECTW: {
            const auto& f = std::get<FontRecord>(record.data);
            fonts[f.index] = f.font;
            break;
        }
        case EMR_SELECTOBJECT: {
            const std::uint32_t index = std::get<ValueRecord>(record.data).value;
            if (index & STOCK_OBJECT) {
                const std::uint32_t stock = index & ~STOCK_OBJECT;
                if (stock >= 10 && stock != 15 && stock <= 17) state.font.reset();
            } else if (fonts[index]) {
                state.font = fonts[index];
            }
            break;
        }
        case EMR_DELETEOBJECT: {
            const std::uint32_t index = std::get<ValueRecord>(record.data).value;
            if (!(index & STOCK_OBJECT)) fonts[index].reset();
            break;
        }
        case EMR_SAVEDC:
            saved.push_back(state);
            break;
        case EMR_RESTOREDC: {
            const auto relative = std::int32_t(std::get<ValueRecord>(record.data).value);
            for (std::int64_t i = 0; i < -std::int64_t(relative) && !saved.empty(); ++i) {
                state = saved.back();
                saved.pop_back();
            }
            break;
        }
        case EMR_EXTTEXTOUTW:
        case EMR_EXTTEXTOUTA: {
            const auto& t = std::get<TextRecord>(record.data);
            TMetafileText text;
            text.Text = t.text;
            text.Reference = t.reference;
            text.Align = state.align;
            text.Options = t.options;
            text.Rect = {t.rect.left, t.rect.top, t.rect.right, t.rect.bottom};
            if (state.font) {
                text.FontName = state.font->faceName;
                text.FontHeight = state.font->height;
            }
            text.Wide = record.type == EMR_EXTTEXTOUTW;
            if (!visit(text)) return;
            break;
        }
        default:
            break;
        }
    }
}

std::vector<TMetafileText> MetafileTexts(const TMetafile& picture) {
    std::vector<TMetafileText> texts;
    EnumerateMetafileText(picture, [&texts](const TMetafileText& text) {
        texts.push_back(text);
        return true;
    });
    return texts;
}

} // namespace quorvel
