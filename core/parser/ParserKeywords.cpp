#include "core/parser/Parser.h"

#include <algorithm>

// How the levels reach the keyword half of the language, which the layer above installs: the
// hooks, and the dispatch of a word-led phrase over the table of phrases.

namespace VexilCore {

LineParser::PhraseLayer::PhraseLayer(Hooks hooks, std::vector<Phrase> phrases)
    : hooks(hooks), m_rows(std::move(phrases)) {
    // Each head gets its own rows together with the rows that any word may lead, in table order,
    // so that a word is looked up once.
    for (const Phrase& row : m_rows) {
        if (row.heads.empty()) m_anyHead.push_back(&row);
        for (QStringView head : row.heads)
            m_byHead.insert(head.toString(), {});
    }
    for (auto it = m_byHead.begin(); it != m_byHead.end(); ++it)
        for (const Phrase& row : m_rows)
            if (row.heads.empty() ||
                std::find(row.heads.cbegin(), row.heads.cend(), it.key()) != row.heads.cend())
                it->push_back(&row);
}

const std::vector<const LineParser::PhraseLayer::Phrase*>&
LineParser::PhraseLayer::phrasesFor(const QString& head) const {
    const auto found = m_byHead.constFind(head);
    return found == m_byHead.cend() ? m_anyHead : *found;
}

void LineParser::install(const PhraseLayer& layer) {
    installed.store(&layer, std::memory_order_release);
}

std::optional<Value> LineParser::phrase(const QString& w) {
    for (const PhraseLayer::Phrase* row : keywords().phrasesFor(w)) {
        if (row->guard && !row->guard(*this, w)) continue;
        if (row->direct) {
            TrialCommit unused;
            if (std::optional<Value> v = (this->*row->handler)(w, unused)) return v;
            continue;
        }
        // Handlers read operands that may hold further phrases ("sum of sum of …"): each counts
        // as a level of nesting.
        Nesting nest(*this);
        return trial([&](TrialCommit& commit) { return (this->*row->handler)(w, commit); });
    }
    return std::nullopt;
}

} // namespace VexilCore
