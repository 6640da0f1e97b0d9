#include "core/parser/Parser.h"

#include <functional>

namespace VexilCore {

std::optional<Value> LineParser::parseLine() {
    try {
        if (auto v = std::invoke(keywords().hooks.leadingStatement, *this)) {
            finishLine();
            return v;
        }
        // Unless a sign comes first, the operator chain reaches the primary level before it looks
        // at a token, so the first primary is read here: a line of prose, which the primary level
        // skips to its end, has no value without NoValue thrown up through every level.
        if (!t[p].isSym(u"-") && !t[p].isSym(u"+")) {
            lastWasPercent = false;
            std::optional<Value> first = primaryOrNothing();
            if (!first) return std::nullopt;
            m_firstPrimary.emplace(std::move(*first), lastWasPercent);
        }
        Value v = parseConversion();
        finishLine();
        return v;
    } catch (const NoValue&) {
        return std::nullopt;
    }
}

Value LineParser::parseConversion() {
    Value v = parseLogical();
    for (;;) {
        const Token& tok = t[p];
        if (tok.atEnd() || tok.kind != TokenKind::Word) return v;
        const QString w = tok.lower;
        if (stopWords.contains(w)) return v;
        const int before = p;
        const PhraseLayer::Hooks& hooks = keywords().hooks;
        if (isConversionWord(w) || w == u"relabel") {
            v = std::invoke(hooks.conversion, *this, v, w);
        } else {
            std::optional<Value> r = std::invoke(hooks.tail, *this, v, w);
            if (!r) return v;
            v = std::move(*r);
        }
        // A clause that consumed nothing would repeat for ever.
        if (p == before) return v;
    }
}

void LineParser::finishLine() {
    skipTrailingText();
    if (t[p].atEnd()) return;
    // Thrown with its own incomplete flag: a dangling operator word is an unfinished line.
    throw unexpected();
}

std::optional<std::pair<CompoundUnit, int>> LineParser::conversionTarget(int i) {
    const std::optional<QString> w = word(i);
    if (!w || !(isConversionWord(*w) || *w == u"relabel")) return std::nullopt;
    auto target = unitExprAt(i + 1);
    if (!target || !isBoundary(target->second)) return std::nullopt;
    return target;
}

} // namespace VexilCore
