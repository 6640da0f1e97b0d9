#include "core/document/Document.h"

#include "core/parser/Lexer.h"
#include "core/parser/Parser.h"
#include "core/values/Arith.h"
#include "core/values/Units.h"

#include <QScopeGuard>

#include <functional>
#include <memory>

namespace VexilCore {

namespace {

using Kind = LineOutcome::Kind;

bool isBlankLine(QStringView line) {
    for (QChar c : line)
        if (!c.isSpace()) return false;
    return true;
}

bool hasQuoted(const QList<Token>& tokens) {
    for (const Token& t : tokens)
        if (t.kind == TokenKind::Quoted) return true;
    return false;
}

bool hasCommentOrQuoted(const QList<Token>& tokens) {
    for (const Token& t : tokens)
        if (t.kind == TokenKind::Comment || t.kind == TokenKind::Quoted) return true;
    return false;
}

// The singular key of a custom unit word: a word of four or more letters loses a final "s".
QString customSingular(const QString& lw) {
    // "glass" and "boss" are singular already; cutting their "s" would leave "3 glasses" unknown.
    if (lw.size() >= 4 && lw.endsWith(u's') && !lw.endsWith(u"ss")) return lw.chopped(1);
    return lw;
}

QString customPlural(const QString& singular) {
    if (singular.endsWith(u's') || singular.endsWith(u'x') || singular.endsWith(u"ch"))
        return singular + QStringLiteral("es");
    return singular + u's';
}

// The state of one evaluate call, carried from line to line.
class Pass {
public:
    Pass(const DocumentEvaluator& evaluator, const QString& text, LineSource* source,
         QList<LineOutcome> storage = {});

    QList<LineOutcome> run();

private:
    struct Parsed {
        std::optional<Value> value;
        std::optional<CalcError> error;
        QList<Assignment> assignments;
    };

    void evaluateLine(int index, TextRange range);
    void takeKnown(const LineOutcome& known, const LineTrace& knownTrace, TextRange range);
    void setVariable(const QString& name, const Value& value);
    void setUnit(const QString& key, const UnitRef& unit);
    void finish(LineOutcome& o);
    // Parses tokens (with their quoted tokens) in env and appends their highlights to
    // highlights; one retry with "pt" as pints on a dimension error.
    Parsed parse(const QList<Token>& tokens, qsizetype offset, QList<Highlight>& highlights);
    // One parse; the parser is dropped before the sheet's maps change again.
    Parsed parseOnce(const QList<Token>& tokens, qsizetype offset, QList<Highlight>& highlights,
                     bool& usedPt);
    void takeAssignments(const Parsed& parsed);
    bool summaryRow(LineOutcome& o, const QList<Token>& tokens, qsizetype offset);
    bool customUnit(LineOutcome& o, const QList<Token>& all, const QList<Token>& t, qsizetype offset);
    bool assignment(LineOutcome& o, const QList<Token>& all, const QList<Token>& t, qsizetype offset);

    const DocumentEvaluator& m_evaluator;
    const QString& m_text;
    LineSource* m_source;
    std::vector<qsizetype> m_ownStarts;               // found here when the source has none
    const std::vector<qsizetype>* m_starts = nullptr; // the source's line starts, or m_ownStarts
    LineTrace m_trace;                                // of the line being evaluated
    QList<LineOutcome> m_outcomes;
    // The one environment of the sheet: its variables, custom units and ans are the sheet's own,
    // the other fields are set for each line. Nothing else holds the maps, so a definition adds
    // to them in place.
    LineEnv m_env;
    QList<int> m_block;
    QList<Token> m_tokenRoom;
    int m_ansLine = -1;  // the line whose quantity is ans
    int m_ansInEnv = -1; // the line whose quantity m_env.ans holds
};

Pass::Pass(const DocumentEvaluator& evaluator, const QString& text, LineSource* source,
           QList<LineOutcome> storage)
    : m_evaluator(evaluator), m_text(text), m_source(source), m_outcomes(std::move(storage)),
      m_env(evaluator.context) {
    m_outcomes.clear();
    m_starts = m_source ? m_source->lineStarts() : nullptr;
    if (!m_starts) {
        m_ownStarts = lineStartsOf(text);
        m_starts = &m_ownStarts;
    }
    m_env.lineCount = int(m_starts->size());
    // What a line reads is noted only for a source that keeps it.
    LineTrace* trace = m_source ? &m_trace : nullptr;
    if (trace) m_env.ctx.watchOutsideReads(&trace->outsideRead, &trace->datesRead);
    // Only lines above the current one are evaluated; anything else has no result.
    const QList<LineOutcome>* done = &m_outcomes;
    m_env.lineValue = [done, trace](int n) -> std::optional<LineResult> {
        if (trace) trace->linesRead.append(n);
        if (n < 1 || n > done->size()) return std::nullopt;
        const LineOutcome& o = (*done)[n - 1];
        if (o.kind == Kind::Value && o.value) return LineResult(*o.value);
        if (o.kind == Kind::Error) return LineResult(CalcError(o.message.value_or(QString())));
        return std::nullopt;
    };
}

QList<LineOutcome> Pass::run() {
    m_outcomes.reserve(m_env.lineCount);
    for (int index = 0; index < m_env.lineCount; ++index) {
        const qsizetype start = (*m_starts)[size_t(index)];
        const qsizetype end =
            index + 1 < m_env.lineCount ? (*m_starts)[size_t(index) + 1] - 1 : m_text.size();
        const TextRange range{start, end - start};
        m_trace = LineTrace();
        const LineTrace* knownTrace = nullptr;
        const LineOutcome* known = m_source ? m_source->known(index, range, &knownTrace) : nullptr;
        if (known)
            takeKnown(*known, *knownTrace, range);
        else
            evaluateLine(index, range);
        if (m_source) m_source->done(index, m_outcomes.constLast(), m_trace, known != nullptr);
    }
    return std::move(m_outcomes);
}

Pass::Parsed Pass::parseOnce(const QList<Token>& tokens, qsizetype offset, QList<Highlight>& highlights,
                             bool& usedPt) {
    Parsed out;
    LineParser parser(tokens, m_env);
    try {
        out.value = parser.parseLine();
    } catch (const CalcError& e) {
        out.error = e;
    } catch (const NoValue&) {
    }
    parser.appendHighlights(highlights, offset);
    out.assignments = parser.assignments();
    usedPt = parser.usedPt();
    return out;
}

Pass::Parsed Pass::parse(const QList<Token>& tokens, qsizetype offset, QList<Highlight>& highlights) {
    const qsizetype before = highlights.size();
    bool usedPt = false;
    Parsed out = parseOnce(tokens, offset, highlights, usedPt);
    if (out.error && out.error->isDimension && usedPt) {
        highlights.resize(before);
        m_env.ptAsPint = true;
        out = parseOnce(tokens, offset, highlights, usedPt);
        m_env.ptAsPint = false;
    }
    return out;
}

void Pass::takeAssignments(const Parsed& parsed) {
    for (const Assignment& a : parsed.assignments)
        setVariable(a.first, a.second);
}

void Pass::setVariable(const QString& name, const Value& value) {
    m_env.variables.insert(name, value);
    if (m_source) m_trace.variables.append({name, value});
}

void Pass::setUnit(const QString& key, const UnitRef& unit) {
    m_env.customUnits.insert(key, unit);
    if (m_source) m_trace.units.append({key, unit});
}

// A line whose inputs are unchanged: its outcome moved to where the line now is, and its writes.
void Pass::takeKnown(const LineOutcome& known, const LineTrace& knownTrace, TextRange range) {
    LineOutcome o = known;
    const qsizetype delta = range.location - known.range.location;
    if (delta != 0) {
        o.range.location += delta;
        for (Highlight& h : o.highlights)
            h.range.location += delta;
        if (o.labelRange) o.labelRange->location += delta;
    }
    for (const auto& [name, value] : knownTrace.variables)
        m_env.variables.insert(name, value);
    for (const auto& [key, unit] : knownTrace.units)
        m_env.customUnits.insert(key, unit);
    m_trace = knownTrace;
    if (o.kind == Kind::Blank)
        m_block.clear();
    else
        finish(o);
    m_outcomes.append(std::move(o));
}

// Value and error lines join the block (a summary over an error line names it); a quantity
// becomes the previous answer. Summary rows never join.
void Pass::finish(LineOutcome& o) {
    if (!o.isSummary && (o.kind == Kind::Value || o.kind == Kind::Error))
        m_block.append(int(m_outcomes.size()));
    // Noted by line, and copied into the environment only when a line is evaluated.
    if (o.kind == Kind::Value && o.value && asQuantity(*o.value)) m_ansLine = int(m_outcomes.size());
}

void Pass::evaluateLine(int index, TextRange range) {
    if (m_ansLine != m_ansInEnv) {
        m_env.ans = *asQuantity(*m_outcomes[m_ansLine].value);
        m_ansInEnv = m_ansLine;
    }
    const QStringView line = QStringView(m_text).mid(range.location, range.length);
    LineOutcome o;
    o.range = range;

    if (isBlankLine(line)) {
        o.kind = Kind::Blank;
        m_block.clear();
        m_outcomes.append(std::move(o));
        return;
    }
    if (line.startsWith(u'#')) {
        o.kind = Kind::Heading;
        o.highlights.append(Highlight{range, Role::Comment});
        m_outcomes.append(std::move(o));
        return;
    }

    if (line.size() > DocumentEvaluator::kMaxLineLength) {
        o.kind = Kind::Error;
        o.message = QStringLiteral("Line too long");
        finish(o);
        m_outcomes.append(std::move(o));
        return;
    }

    qsizetype labelLen = 0;
    if (const auto len = DocumentEvaluator::labelLength(line)) {
        labelLen = *len;
        o.labelRange = TextRange{range.location, labelLen};
    }
    const qsizetype offset = range.location + labelLen;
    // Borrowed from the sheet's text, which outlives the pass: the tokens copy what they keep.
    const QStringView rest = line.mid(labelLen);
    QString lineText = QString::fromRawData(rest.data(), rest.size());
    QList<Token> tokens = Lexer::lex(lineText, m_evaluator.context.monthFirstDates, std::move(m_tokenRoom));
    // The list's room serves the next line, once nothing else holds it.
    const auto giveBack = qScopeGuard([this, &tokens] {
        if (tokens.isDetached()) m_tokenRoom = std::move(tokens);
    });
    if (o.labelRange) {
        // The label's highlight first, with room for one a token after it.
        o.highlights.reserve(1 + tokens.size());
        o.highlights.append(Highlight{*o.labelRange, Role::Label});
    }

    if (DocumentEvaluator::hasNoContent(tokens)) {
        o.kind = hasCommentOrQuoted(tokens) ? Kind::Comment : Kind::Text;
        for (const Token& t : tokens)
            if (t.kind == TokenKind::Comment || t.kind == TokenKind::Quoted)
                o.highlights.append(
                    Highlight{TextRange{t.range.location + offset, t.range.length}, Role::Comment});
        m_outcomes.append(std::move(o));
        return;
    }

    // The tokens as the parser indexes them: without quoted text (the same list when there is none).
    QList<Token> t = tokens;
    if (hasQuoted(tokens)) {
        t.clear();
        for (const Token& tok : std::as_const(tokens))
            if (tok.kind != TokenKind::Quoted) t.append(tok);
    }

    m_env.currentLine = index + 1;
    m_env.lineText = std::move(lineText);
    m_env.continuation.reset();
    if (summaryRow(o, t, offset) || customUnit(o, tokens, t, offset) || assignment(o, tokens, t, offset)) {
        finish(o);
        m_outcomes.append(std::move(o));
        return;
    }

    // A line opening with an operator carries on from the value line just above it.
    const Token& first = t.constFirst();
    if (first.kind == TokenKind::Sym &&
        (first.text == u"+" || first.text == u"*" || first.text == u"/" || first.text == u"^") && index > 0 &&
        m_outcomes.constLast().kind == Kind::Value && m_outcomes.constLast().value) {
        m_env.continuation = *m_outcomes.constLast().value;
        Token injected;
        injected.kind = TokenKind::Injected;
        injected.range = TextRange{first.range.location, 0};
        injected.spaceBefore = true;
        qsizetype at = 0;
        while (tokens.at(at).kind == TokenKind::Quoted)
            ++at;
        tokens.insert(at, injected);
        t.prepend(injected);
    }

    Parsed parsed = parse(tokens, offset, o.highlights);

    if (!parsed.error && parsed.value) {
        takeAssignments(parsed);
        o.kind = Kind::Value;
        o.value = std::move(parsed.value);
        finish(o);
        m_outcomes.append(std::move(o));
        return;
    }

    // A line ending in an operator word is unfinished, not prose.
    qsizetype endAt = 0;
    while (!t.at(endAt).atEnd())
        ++endAt;
    if (endAt > 0 && t.at(endAt - 1).kind == TokenKind::Word &&
        LineParser::triggerWords().contains(t.at(endAt - 1).lower)) {
        const TextRange wordRange{t.at(endAt - 1).range.location + offset, t.at(endAt - 1).range.length};
        bool marked = false;
        for (Highlight& h : o.highlights)
            if (h.range == wordRange) {
                h.role = Role::Op;
                marked = true;
            }
        if (!marked) o.highlights.append(Highlight{wordRange, Role::Op});
        o.kind = Kind::Error;
        o.message = QStringLiteral("Expected a value");
        o.incomplete = true;
    } else if (parsed.error) {
        o.kind = Kind::Error;
        o.message = parsed.error->message;
        o.incomplete = parsed.error->incomplete;
    } else {
        takeAssignments(parsed);
        o.kind = hasCommentOrQuoted(tokens) ? Kind::Comment : Kind::Text;
    }
    finish(o);
    m_outcomes.append(std::move(o));
}

bool Pass::summaryRow(LineOutcome& o, const QList<Token>& t, qsizetype offset) {
    if (t.front().kind != TokenKind::Word) return false;
    const auto kind = DocumentEvaluator::summaryWords().constFind(t.front().lower);
    if (kind == DocumentEvaluator::summaryWords().cend()) return false;

    std::optional<std::pair<CompoundUnit, int>> target;
    if (!t[1].atEnd()) {
        LineParser parser(t, m_env);
        target = parser.conversionTarget(1);
        if (!target || !t[target->second].atEnd()) return false;
    }

    auto mark = [&](const Token& tok, Role role) {
        if (tok.range.length > 0)
            o.highlights.append(Highlight{TextRange{tok.range.location + offset, tok.range.length}, role});
    };
    mark(t[0], Role::Keyword);
    if (target) {
        mark(t[1], Role::Op);
        for (int i = 2; i < target->second; ++i) {
            const Token& tok = t[i];
            const bool op = tok.kind == TokenKind::Sym || tok.kind == TokenKind::Number || tok.isWord(u"per");
            mark(tok, op ? Role::Op : Role::Unit);
        }
    }
    for (const Token& tok : t)
        if (tok.kind == TokenKind::Comment) mark(tok, Role::Comment);

    o.isSummary = true;
    try {
        Quantity q = m_evaluator.summarize(m_block, m_outcomes, kind.value());
        if (target) q = Arith::convert(q, target->first, m_env.ctx);
        o.kind = Kind::Value;
        o.value = Value(std::in_place_type<Quantity>, std::move(q));
    } catch (const CalcError& e) {
        o.kind = Kind::Error;
        o.message = e.message;
        o.incomplete = e.incomplete;
    }
    return true;
}

// Highlights of the tokens before a right-hand side: the parser sees only what follows "=".
void markHead(LineOutcome& o, const QList<Token>& all, qsizetype rhsAt, qsizetype offset,
              const std::function<Role(const Token&)>& role) {
    // Room for the parser's highlights of the right-hand side as well.
    o.highlights.reserve(o.highlights.size() + all.size());
    for (qsizetype i = 0; i < rhsAt; ++i) {
        const Token& tok = all[i];
        if (tok.range.length <= 0) continue;
        o.highlights.append(Highlight{TextRange{tok.range.location + offset, tok.range.length},
                                      tok.kind == TokenKind::Quoted ? Role::Comment : role(tok)});
    }
}

// The index in `all` (with quoted tokens) of the first token after the first "=".
qsizetype afterEquals(const QList<Token>& all) {
    for (qsizetype i = 0; i < all.size(); ++i)
        if (all[i].isSym(u"=")) return i + 1;
    return -1;
}

bool Pass::customUnit(LineOutcome& o, const QList<Token>& all, const QList<Token>& t, qsizetype offset) {
    if (t.size() < 5) return false; // "1", the word, "=", an expression and eof
    const Token& one = t[0];
    const bool opens =
        (one.kind == TokenKind::Number && one.number == 1) || one.isWord(u"a") || one.isWord(u"an");
    if (!opens || t[1].kind != TokenKind::Word || !t[2].isSym(u"=") || t[3].atEnd()) return false;
    const QString word = t[1].text;
    if (!DocumentEvaluator::isValidWord(word) || Units::lookupWord(word)) return false;

    const qsizetype rhsAt = afterEquals(all);
    markHead(o, all, rhsAt, offset, [](const Token& tok) {
        return tok.kind == TokenKind::Number           ? Role::Number
               : tok.kind == TokenKind::Sym            ? Role::Op
               : tok.isWord(u"a") || tok.isWord(u"an") ? Role::Keyword
                                                       : Role::Unit;
    });
    o.isAssignment = true;

    const QString lw = t[1].lower;
    Parsed parsed = parse(all.mid(rhsAt), offset, o.highlights);
    try {
        if (parsed.error) throw *parsed.error;
        if (!parsed.value) throw CalcError(QStringLiteral("Expected a value for ") + word, true);
        const Quantity* q = asQuantity(*parsed.value);
        if (!q) throw CalcError(QStringLiteral("That needs a number"));
        takeAssignments(parsed);

        const QString singular = customSingular(lw);
        const QString plural = customPlural(singular);
        auto def = std::make_shared<UnitDef>();
        def->id = QStringLiteral("custom:") + lw;
        def->symbol = lw;
        def->singular = lw;
        def->plural = lw == singular ? plural : lw;
        def->dim = q->unit.dim();
        def->kind = UnitDef::Linear{q->value * q->unit.factor(m_env.ctx)};
        setUnit(singular, def);
        setUnit(plural, def);
        setUnit(lw, def);

        o.kind = Kind::Value;
        o.value = *parsed.value;
    } catch (const CalcError& e) {
        o.kind = Kind::Error;
        o.message = e.message;
        o.incomplete = e.incomplete;
    }
    return true;
}

bool Pass::assignment(LineOutcome& o, const QList<Token>& all, const QList<Token>& t, qsizetype offset) {
    if (t.front().isWord(u"if")) return false;
    qsizetype eq = -1;
    for (qsizetype i = 0; i < t.size(); ++i)
        if (t[i].isSym(u"=")) {
            eq = i;
            break;
        }
    if (eq <= 0 || !DocumentEvaluator::isAllWords(t, 0, eq)) return false;

    // A one-word name shares its token's text.
    QString name = t[0].text;
    for (qsizetype i = 1; i < eq; ++i) {
        name += u' ';
        name += t[i].text;
    }

    const qsizetype rhsAt = afterEquals(all);
    markHead(o, all, rhsAt, offset,
             [](const Token& tok) { return tok.kind == TokenKind::Sym ? Role::Op : Role::Variable; });
    o.isAssignment = true;

    auto fail = [&](const QString& message, bool incomplete = false) {
        o.kind = Kind::Error;
        o.message = message;
        o.incomplete = incomplete;
        return true;
    };
    // A one-word name must be a valid name, which it can only be as a valid word.
    if (eq == 1 && !DocumentEvaluator::isValidName(name))
        return fail(u'\'' + name + QStringLiteral("' is a reserved word"));
    for (qsizetype i = 0; eq > 1 && i < eq; ++i)
        if (!DocumentEvaluator::isValidWord(t[i].text))
            return fail(u'\'' + t[i].text + QStringLiteral("' is a reserved word"));

    const auto missing = [&] { return QStringLiteral("Expected a value for ") + name; };
    if (t[eq + 1].atEnd()) {
        for (qsizetype i = rhsAt; i < all.size(); ++i)
            if (all[i].kind == TokenKind::Comment || all[i].kind == TokenKind::Quoted)
                o.highlights.append(
                    Highlight{TextRange{all[i].range.location + offset, all[i].range.length}, Role::Comment});
        return fail(missing(), true);
    }

    Parsed parsed = parse(all.mid(rhsAt), offset, o.highlights);
    if (parsed.error) return fail(parsed.error->message, parsed.error->incomplete);
    if (!parsed.value) return fail(missing(), true);
    takeAssignments(parsed);
    setVariable(name, *parsed.value);
    o.kind = Kind::Value;
    o.value = std::move(parsed.value);
    return true;
}

} // namespace

std::vector<qsizetype> lineStartsOf(const QString& text) {
    std::vector<qsizetype> starts{0};
    // indexOf scans many characters at a time.
    for (qsizetype at = text.indexOf(u'\n'); at >= 0; at = text.indexOf(u'\n', at + 1))
        starts.push_back(at + 1);
    return starts;
}

QList<LineOutcome> DocumentEvaluator::evaluate(const QString& text) const {
    return Pass(*this, text, nullptr).run();
}

QList<LineOutcome> DocumentEvaluator::evaluate(const QString& text, LineSource* source,
                                               QList<LineOutcome> storage) const {
    return Pass(*this, text, source, std::move(storage)).run();
}

} // namespace VexilCore
