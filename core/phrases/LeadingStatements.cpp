#include "core/parser/Parser.h"

// Lines that begin with "if": the proportion question (if A is B, what is D) and the
// conditional (if C then X else Y), whose sides may assign a variable.

namespace VexilCore {

namespace {

// "line12" names a line, not a variable.
bool isLineReferenceWord(const QString& lower) {
    if (!lower.startsWith(u"line") || lower.size() == 4) return false;
    QStringView rest = QStringView(lower).mid(4);
    if (rest.startsWith(u'+') || rest.startsWith(u'-')) rest = rest.mid(1);
    if (rest.isEmpty()) return false;
    for (QChar c : rest)
        if (c < u'0' || c > u'9') return false;
    return true;
}

bool assignableWord(const Token& tok) {
    const QChar first = tok.text.at(0);
    if (!first.isLetter() && first != u'_') return false;
    // "x" is listed as unassignable for the top level but may name a variable here.
    if (tok.lower != u"x" && LineParser::unassignable().contains(tok.lower)) return false;
    return !isLineReferenceWord(tok.lower);
}

} // namespace

std::optional<Value> LineParser::parseLeadingStatement() {
    if (!t[p].isWord(u"if")) return std::nullopt;

    if (auto v = trial([&] { return proportion(); })) return v;

    mark(p, Role::Keyword);
    advance();
    const Value c = [&] {
        StopWords thenStop(*this, {u"then"});
        return parseLogical();
    }();
    const bool* cond = std::get_if<bool>(&c);
    if (!cond) throw CalcError(QStringLiteral("'if' needs a true/false condition"));
    const bool holds = *cond;
    expect({u"then"});
    sawValue = false;

    std::optional<Value> chosen;
    Value thenSide = branch({u"else"}, holds);
    if (holds) chosen = std::move(thenSide);
    // Both sides are read, so an error in the side not taken still fails the line.
    if (eat({u"else"}, Role::Keyword)) {
        Value elseSide = branch({}, !holds);
        if (!holds) chosen = std::move(elseSide);
    }
    if (!chosen) throw NoValue{};
    sawValue = true;
    return chosen;
}

std::optional<Value> LineParser::proportion() {
    eat({u"if"}, Role::Keyword);
    const Value av = [&] {
        StopWords s(*this, {u"is"});
        return parseAdditive();
    }();
    const Quantity a = quantity(av, QStringLiteral("That"));
    expect({u"is"});
    const Value bv = [&] {
        StopWords s(*this, {u","});
        return parseAdditive();
    }();
    const Quantity b = quantity(bv, QStringLiteral("That"));
    expect({u","});
    expect({u"what", u"is"});
    const Quantity d = quantity(parseAdditive(), QStringLiteral("That"));
    if (b.value == 0) throw CalcError(QStringLiteral("Division by zero"));
    // A × D ÷ B as they stand: B and D are not brought to a common unit.
    return Quantity(a.value * d.value / b.value, a.unit, DisplayStyle::Plain);
}

Value LineParser::branch(std::initializer_list<QStringView> stops, bool apply) {
    int end = p;
    while (end < t.size() && t[end].kind == TokenKind::Word)
        ++end;
    bool assignment = end > p && end < t.size() && t[end].isSym(u"=");
    for (int i = p; assignment && i < end; ++i)
        assignment = assignableWord(t[i]);

    if (!assignment) {
        StopWords s(*this, stops);
        return parseConversion();
    }

    QStringList words;
    for (int i = p; i < end; ++i) {
        mark(i, Role::Variable);
        words.append(t[i].text);
    }
    mark(end, Role::Op);
    p = end;
    advance();
    Value v = [&] {
        StopWords s(*this, stops);
        return parseConversion();
    }();
    // A side not taken defines nothing.
    if (apply) {
        const QString name = words.join(u' ');
        branchAssignments.append({name, v});
        if (!m_ownEnv) {
            const auto was = m_env.variables.constFind(name);
            m_replacedVariables.append(
                {name, was == m_env.variables.cend() ? std::nullopt : std::optional<Value>(*was)});
        }
        m_env.variables.insert(name, v);
    }
    return v;
}

} // namespace VexilCore
