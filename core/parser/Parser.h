#pragma once

#include "core/parser/Highlight.h"
#include "core/parser/Token.h"
#include "core/parser/TokenCursor.h"
#include "core/values/CalcError.h"
#include "core/values/EvalContext.h"
#include "core/values/Value.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QTimeZone>

#include <atomic>
#include <functional>
#include <initializer_list>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

namespace VexilCore {

// The outcome of another line of the sheet.
using LineResult = std::variant<Value, CalcError>;

// What one line may see of its sheet. The document evaluator keeps one for the whole sheet and
// sets the per-line fields before each line; a parser borrows it for its line, and the
// conditional branches write variables into it while the parser lives.
struct LineEnv {
    LineEnv() = default;
    // Made from ctx directly: no default calendar (and its time zone) is built first.
    explicit LineEnv(const EvalContext& ctx) : ctx(ctx) {}

    EvalContext ctx;
    QHash<QString, Value> variables;
    std::optional<Quantity> ans;
    int currentLine = 0; // 1-based
    // The outcome of a line by its 1-based number; nothing when there is none.
    std::function<std::optional<LineResult>(int)> lineValue;
    int lineCount = 0;
    bool ptAsPint = false;
    QHash<QString, UnitRef> customUnits; // lower-case name -> unit
    std::optional<Value> continuation;   // what an Injected token stands for
    QString lineText; // the document pass lends the sheet's own characters: copy it to keep it
};

// The recursive-descent parser of one sheet line. It evaluates while it parses: every level
// returns a computed Value or throws CalcError / NoValue. Built per line, used once, dropped.
// The levels read and move one TokenCursor, whose trials undo what a failed reading did.
//
// The keyword half of the language (phrases, statements, trailing clauses, conversion targets,
// time zones in a line and named functions) is defined in core/phrases, the layer above. The
// levels here reach it only through the PhraseLayer that layer installs (installPhrases()).
//
// Token indices everywhere refer to the token list without the quoted tokens.
class LineParser : private TokenCursor {
public:
    // Borrows env, which must outlive the parser. Variables that a conditional branch assigns go
    // into env for the rest of the line and are taken out again when the parser is dropped, so
    // env holds the same variables after the line as before it.
    LineParser(QList<Token> tokens, LineEnv& env);
    // Keeps its own env.
    LineParser(QList<Token> tokens, LineEnv&& env);
    LineParser(QList<Token> tokens, const LineEnv& env) : LineParser(std::move(tokens), LineEnv(env)) {}
    ~LineParser();
    LineParser(const LineParser&) = delete;
    LineParser& operator=(const LineParser&) = delete;

    // The entry for one line: NoValue gives nothing, a CalcError passes on unchanged.
    std::optional<Value> parseLine();

    // The line's highlights shifted by offset into sheet coordinates. Not sorted: the quoted
    // tokens come last.
    QList<Highlight> highlights(qsizetype offset) const;
    // The same highlights added to the end of out.
    void appendHighlights(QList<Highlight>& out, qsizetype offset) const;

    // Assignments made inside conditional branches, in order.
    const QList<Assignment>& assignments() const { return branchAssignments; }
    // Whether a unit term took the word "pt".
    bool usedPt() const { return tookPt; }

    // A conversion word at i followed by a unit expression ending at a boundary: the unit and
    // the index after it. Moves and marks nothing, but reading "pt" sets tookPt.
    std::optional<std::pair<CompoundUnit, int>> conversionTarget(int i);

    // Shared word tables, lower-case, built once on first use.
    static const QSet<QString>& conversionWords();       // 4
    static bool isConversionWord(QStringView lowerWord); // one of conversionWords(), without hashing
    static const QSet<QString>& triggerWords();          // 11
    static const QSet<QString>& operatorWords();         // 22
    static const QSet<QString>& constants();             // 16
    static const QSet<QString>& functions();             // 45
    static const QSet<QString>& phraseWords();           // 28
    static const QSet<QString>& unassignable();
    static const QSet<QString>& reserved();
    static const QHash<QString, int>& months();   // 24 keys
    static const QHash<QString, int>& weekdays(); // 17 keys, Sunday = 1
    static const QSet<QString>& comparisons();    // == != < > <= >=
    static const QSet<QString>& boundaryWords();
    static const QSet<QString>& specialTargetWords();
    static const QStringList& decimalPlaceWords();
    static const QHash<QString, int>& unitPowerPrefixes();
    static const QSet<QString>& phraseStarts();

    // Deepest nesting of operands before "Too deeply nested".
    static constexpr int kMaxDepth = 200;

    enum class MulOp {
        Multiply,
        Divide,
        Of,
        Mod,
        AddedTo,
        Off,
        At,
        Permutations,
        PermutationsOf,
        Combinations,
        CombinationsOf,
    };

    struct VariableMatch {
        QString name;
        Value value;
        int end = 0;
    };

    struct ZoneMatch {
        QTimeZone zone;
        QString label;
        int end = 0;
    };

private:
    friend struct ParserProbe; // tests
    friend void installPhrases();

    class PhraseLayer;
    // The keyword half every parser uses from now on; the layer above calls it once.
    static void install(const PhraseLayer& layer);
    // The installed keyword half; "The keyword phrases are not installed" before that.
    static const PhraseLayer& keywords();
    // Defined by the layer above: its hooks and its table of word-led phrases, built once.
    static const PhraseLayer& phraseLayer();
    static inline std::atomic<const PhraseLayer*> installed{nullptr};

    class Nesting;

    // ---- Line entry and conversions --------------------------------------------------------
    Value parseConversion();
    void finishLine();

    // ---- Operator chain --------------------------------------------------------------------
    Value parseLogical();
    Value parseComparison();
    // |, xor and &, loosest first: the Level-th of them and every tighter one.
    template <size_t Level = 0> Value parseBitwise();
    Value parseShift();
    Value parseAdditive();
    bool compare(const Value& a, const Value& b, QStringView op) const;
    // The value as a whole number below 9e15 in magnitude, else "<name> needs whole numbers".
    static qint64 integer(const Value& v, QStringView name);

    // ---- Phrases: open handlers -------------------------------------------------------------
    // Each handler is entered with the cursor on its head word, which it is given, and calls
    // commit once the head and its own keywords are read: a failure before that rolls the words
    // back, a CalcError after it is the line's. Their grammars are written above each definition.

    // The span, rate and compounding of a finance question.
    struct FinanceTerms {
        std::optional<double> years;   // the span in years
        std::optional<double> rate;    // per rate period, as a fraction
        double periodYears = 1;        // the rate's period in years
        std::optional<double> perYear; // compounding periods a year; infinity for continuous
    };
    // Reads the clauses "over|for|in <span>", "at <rate> [per|a|every <time unit>]" and, when
    // compounding is allowed, "compounded|compounding <frequency>", in any order, each once.
    void financeTerms(FinanceTerms& terms, const QString& name, bool compounding);
    // How much one unit of money grows over the terms' span (compound growth).
    static double growthFactor(const FinanceTerms& f);
    // The payment of an annuity paying back principal over the span, k payments a year.
    static double annuityPayment(double principal, const FinanceTerms& f, double k);
    // The message for a missing span (led by spanWord) or rate, when one is missing.
    static std::optional<QString> missingTerm(const FinanceTerms& f, QStringView spanWord);
    // A span of time in years; "<name> needs a length of time, e.g. 4 years".
    double spanYears(const Value& span, const QString& name) const;
    // The operand at p with the words added to the stop words while it is read.
    Value operand(std::initializer_list<QStringView> stops);

    std::optional<Value> rootPhrase(const QString& head, TrialCommit& commit);
    std::optional<Value> logPhrase(const QString& head, TrialCommit& commit);
    std::optional<Value> halfPhrase(const QString& head, TrialCommit& commit);
    std::optional<Value> midpointPhrase(const QString& head, TrialCommit& commit);
    std::optional<Value> remainderPhrase(const QString& head, TrialCommit& commit);
    std::optional<Value> randomPhrase(const QString& head, TrialCommit& commit);
    std::optional<Value> clampPhrase(const QString& head, TrialCommit& commit);
    // "hours in a day": the table's guard asks unitInFollows for the word after "in".
    [[nodiscard]] bool unitInFollows(int i) const;
    std::optional<Value> unitInPhrase(const QString& head, TrialCommit& commit);
    std::optional<Value> loanPhrase(const QString& head, TrialCommit& commit);
    std::optional<Value> periodicPaymentPhrase(const QString& head, TrialCommit& commit);
    std::optional<Value> interestPhrase(const QString& head, TrialCommit& commit);
    std::optional<Value> presentValuePhrase(const QString& head, TrialCommit& commit);
    std::optional<Value> growthPhrase(const QString& head, TrialCommit& commit);
    std::optional<Value> gainPhrase(const QString& head, TrialCommit& commit);
    // The growth question after "after"/"for" on the amount a; throws when it does not apply.
    Value growthClause(const Quantity& a);
    // "days until Nov 27", "hours between 9am and 5pm"; head "business" stands for "business days",
    // head "time" for a span in days or hours as the ends give.
    std::optional<Value> timeBetweenPhrase(const QString& head, TrialCommit& commit);
    std::optional<Value> dateInPhrase(const QString& head, TrialCommit& commit);
    std::optional<Value> weekNumberPhrase(const QString& head, TrialCommit& commit);
    std::optional<Value> dayOfWeekPhrase(const QString& head, TrialCommit& commit);
    std::optional<Value> weekdayPhrase(const QString& head, TrialCommit& commit);
    std::optional<Value> relativeWeekdayPhrase(const QString& head, TrialCommit& commit);
    // The day of now in the context's calendar, and in zone; "Date out of range" beyond the calendar.
    [[nodiscard]] CalendarDate today() const;
    [[nodiscard]] CalendarDate todayIn(const QTimeZone& zone) const;
    [[nodiscard]] QDate dateToday(const QTimeZone& zone) const;
    [[nodiscard]] QDate dateToday() const; // in the context's calendar
    // An optional date after "of"/"for" (today when neither follows); "Expected a date".
    CalendarDate dateOperand();

    // ---- Products --------------------------------------------------------------------------
    Value parseMultiplicative();
    // The operator at p and how many tokens it spans; looks without moving.
    [[nodiscard]] std::optional<std::pair<MulOp, int>> mulOperator(const Value* left) const;
    Quantity multiplicative(const Quantity& left, MulOp op, const Quantity& right) const;
    [[nodiscard]] bool strictOperandStart(int i) const;
    [[nodiscard]] bool canStartOperand(int i) const;
    // The longest variable name of up to four words at i (joined by single spaces).
    [[nodiscard]] std::optional<VariableMatch> variableAt(int i) const;

    // ---- Signs, powers, trailing text, error wording ---------------------------------------
    Value parseUnary();
    Value parsePower();
    void skipTrailingText();
    // The error for the token at p; marks a dangling operator word Op.
    CalcError unexpected();

    // ---- Postfix ---------------------------------------------------------------------------
    Value parsePostfix();

    // ---- Primaries -------------------------------------------------------------------------
    Value parsePrimary();
    // parsePrimary's reading, with nothing where parsePrimary throws NoValue.
    std::optional<Value> primaryOrNothing();
    Value relativeToNow(const Value& v, int sign) const;
    std::optional<ClockTime> clockFollowing();
    Instant combine(const CalendarDate& date, const ClockTime& clock) const;
    [[nodiscard]] bool isProseWord(int i) const;

    // ---- Numbers with units ----------------------------------------------------------------
    Value attachUnit(double x);
    std::optional<double> magnitudeSuffix(bool allowB);
    // Not const: reading "pt" sets tookPt.
    std::optional<std::pair<CompoundUnit, int>> unitAt(int i);
    [[nodiscard]] bool isUnitWord(int i) const;

    // ---- Word resolution -------------------------------------------------------------------
    Value parseWord(const QString& w, int start);
    Value reference(qint64 n) const;
    std::optional<Value> constant(const QString& lw, const QString& w);
    qint64 parseOptionalYear();
    QList<Value> readArguments();
    [[nodiscard]] bool continuesExpression(const Token& tok) const;

    // ---- Unit expressions ------------------------------------------------------------------
    // Not const: reading "pt" sets tookPt.
    std::optional<std::pair<CompoundUnit, int>> unitTermAt(int i);
    std::optional<std::pair<CompoundUnit, int>> unitExprAt(int i);
    [[nodiscard]] bool isBoundary(int i) const;
    [[nodiscard]] bool isSpecialTarget(int i) const;
    void absorbMixedUnits(Quantity& q);
    Value convert(const Value& v, const CompoundUnit& target, const QString& keyword) const;

    // ---- Phrases: conversions, clauses, statements ------------------------------------------
    // A target that is not a unit (percent, bases, dp, dates, rounding...), read at p; nothing,
    // with nothing marked or moved, when the tokens there are none.
    std::optional<Value> specialTarget(const Value& v);
    // The step of a rounding: a step word (hundred, tenth...) or a value read by parsePostfix.
    double nearestStep();
    // "ft and in" after a conversion word: the quantity in the first unit, shown over both.
    std::optional<Value> mixedTarget(const Value& v);
    // A time-zone target for a value that has a time of day.
    std::optional<Value> zoneTarget(const Value& v);
    // The range or change after "to", with the cursor after "to"; nothing, with every trial
    // field as before, when no second value can be read there.
    std::optional<Value> rangeOrChange(const Value& first);
    // if A is B, what is D; nothing or a throw means the form does not apply.
    std::optional<Value> proportion();
    // One side of a conditional, with stops in force while it is read; assigns only when apply.
    Value branch(std::initializer_list<QStringView> stops, bool apply);
    // The questions after "is" (p on it); nothing, with p back on "is", when no form fits.
    std::optional<Value> isStatement(const Value& a);
    // "of", "more" (more than) or "less" (less than), eaten as keywords; nothing otherwise.
    std::optional<QString> comparisonWord();
    // The "rounded" clause, with p after "rounded".
    Value roundedClause(const Value& a);
    // The "if"/"unless" clause, with p after the word.
    std::optional<Value> conditionClause(const Value& a, const QString& word);

    // ---- Services of the phrases and statements --------------------------------------------
    // The layer above installs these five as hooks; the levels here call them only through it.

    // Absent, consuming and marking nothing, unless the current token is the word "if"; then
    // the proportion form (as a trial) or the conditional form.
    std::optional<Value> parseLeadingStatement();
    // Called with the cursor on the keyword (to, in, as, into, relabel; lower-case): marks it
    // Op, reads the target after it and returns the converted value with the cursor after the
    // target. Throws when no target follows or the conversion is impossible.
    Value conversion(const Value& v, const QString& keyword);
    // A trailing clause led by word (after, before, for, is, through, rounded, if, unless).
    // Absent, with every piece of state unchanged, when no clause applies.
    std::optional<Value> tail(const Value& v, const QString& word);
    // A time-zone name starting at i; moves and marks nothing, never fails.
    [[nodiscard]] std::optional<ZoneMatch> zoneAt(int i) const;
    // A built-in function on its arguments (at least one); never moves the cursor.
    Value applyFunction(const QString& name, const QList<Value>& args);

    // The word-led phrases headed by word (lower-case, p still on it), tried in the order of the
    // installed table. Until a phrase's head and own keywords are recognised a failure rolls
    // back; after that the CalcError of an operand propagates. Absent, with nothing changed,
    // when none applies.
    std::optional<Value> phrase(const QString& word);

    // ---- Phrases: dispatch, coercions, functions, lists, zones ------------------------------
    // The quantity of v, else "<name> needs a number".
    static Quantity quantity(const Value& v, const QString& name);
    // The number of a quantity without unit: "<name> needs a plain number" for one with a unit,
    // "<name> needs a number" for any other value.
    static double scalar(const Value& v, const QString& name);
    // a / b, b first brought to a's unit when their parts differ (conversion errors pass on);
    // "Division by zero".
    double ratio(const Quantity& a, const Quantity& b) const;

    // Words that name a span of time -> unit id; "business days" is one two-word key.
    static const QHash<QString, QString>& timeUnitWords();

    // Phrase handlers, each entered with the cursor on its head word. A handler calls commit once
    // its own keywords are read; a CalcError after that is the line's.
    std::optional<Value> extremePhrase(const QString& head, TrialCommit& commit);
    std::optional<Value> listStatPhrase(const QString& head, TrialCommit& commit);
    std::optional<Value> stdevPhrase(const QString& head, TrialCommit& commit);
    std::optional<Value> gcdLcmPhrase(const QString& head, TrialCommit& commit);
    // "London time": a zone name at the head followed by "time" that ends the operand; nothing,
    // with nothing read, otherwise.
    std::optional<Value> zoneTimePhrase(const QString& head, TrialCommit& commit);
    // "current timestamp", "new timestamp".
    std::optional<Value> timestampPhrase(const QString& head, TrialCommit& commit);

    // Operands separated by "," and "and" (each separator marked Op); extra stop words end
    // each operand as well. At least one value.
    QList<Value> list(const QSet<QString>& extra = {});
    // One statistic (sum, average, mean, avg, count, max, min, median, stdev, gcd, lcm).
    Value stat(const QString& name, const QList<Value>& values) const;

    // The zoned time of a clock time, an instant or a zoned time; nothing for other values.
    [[nodiscard]] std::optional<ZonedTime> zoned(const Value& v) const;
    // The same instant shown in another zone, the day shift following the local dates.
    [[nodiscard]] ZonedTime convertZone(const ZonedTime& z, const QTimeZone& zone,
                                        const QString& label) const;
    // "time difference between A and B".
    std::optional<Value> zoneDifference(const QString& head, TrialCommit& commit);
    // "time in Z".
    std::optional<Value> timeIn(const QString& head, TrialCommit& commit);

    // ---- Fields ----------------------------------------------------------------------------
    // The cursor holds the tokens without the quoted ones and the state trials put back.
    const QList<Token> m_quoted;
    std::optional<LineEnv> m_ownEnv; // when the parser keeps its env
    LineEnv& m_env;
    int m_depth = 0; // nesting guard
    // What the borrowed env's variables held before a branch assigned them: put back on drop.
    QList<std::pair<QString, std::optional<Value>>> m_replacedVariables;
    // The line's first primary with lastWasPercent after it, read by parseLine before the
    // operator chain; the chain's first parsePrimary takes it.
    std::optional<std::pair<Value, bool>> m_firstPrimary;
    bool m_impliedYear = false; // a month and day took the current year since this was last cleared

    // Offers found (a callable (const QString& name, int n) -> bool) the first n of the count
    // words at i joined by single blanks, for n from count down to least, until it answers true;
    // lower-case words when lower. The name borrows a buffer kept between calls: copy it to keep
    // it. count is at most 4.
    template <class F> void longestName(int i, int count, int least, bool lower, F&& found) const;

    // ---- Helpers of the lower levels -------------------------------------------------------
    Value parseGroup();
    Value parseCurrencyAmount();
    Value parseIsoDateTime(const IsoParts& iso) const;
    Value parseClock(const ClockParts& clock);
    // parseWord's readings; nothing when the word was skipped as prose and the caller is to
    // read the next primary in its place (a loop there, so long prose costs no stack).
    std::optional<Value> wordReading(const QString& w, int start);
    // Today's date in the calendar moved by days.
    CalendarDate dayFromToday(int days) const;
    // The number written as ASCII digits only ("3" of "line3"); nothing when empty, signed,
    // spaced or beyond 64 bits.
    static std::optional<qint64> lineNumber(QStringView digits);
};

// One level of operand nesting; too many stop the line instead of the stack.
class LineParser::Nesting {
public:
    explicit Nesting(LineParser& parser) : m_lp(parser) {
        if (++m_lp.m_depth > kMaxDepth) {
            --m_lp.m_depth;
            throw CalcError(QStringLiteral("Too deeply nested"));
        }
    }
    ~Nesting() { --m_lp.m_depth; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;

private:
    LineParser& m_lp;
};

template <class F> void LineParser::longestName(int i, int count, int least, bool lower, F&& found) const {
    // Joined once into a buffer that keeps its capacity, so looking names up allocates nothing.
    thread_local QString joined;
    qsizetype ends[4];
    Q_ASSERT(count <= 4);
    joined.resize(0);
    for (int k = 0; k < count; ++k) {
        if (k > 0) joined += u' ';
        joined += lower ? t[i + k].lower : t[i + k].text;
        ends[k] = joined.size();
    }
    for (int n = count; n >= least; --n)
        if (found(QString::fromRawData(joined.constData(), ends[n - 1]), n)) return;
}

// The keyword half of the language as the layer above hands it to the parser: five hooks and
// the table of word-led phrases, built once.
class LineParser::PhraseLayer {
public:
    struct Hooks {
        std::optional<Value> (LineParser::*leadingStatement)();
        Value (LineParser::*conversion)(const Value& v, const QString& keyword);
        std::optional<Value> (LineParser::*tail)(const Value& v, const QString& word);
        std::optional<ZoneMatch> (LineParser::*zoneAt)(int i) const;
        Value (LineParser::*applyFunction)(const QString& name, const QList<Value>& args);
    };

    // One row: the head words that lead the phrase (none: any word), a look-ahead made with the
    // cursor still on the head (none: always), and the handler, given the head. A row whose
    // guard fails lets the next row try; a handler that gives up ends the search with nothing.
    struct Phrase {
        using Guard = bool (*)(LineParser& parser, const QString& head);
        using Handler = std::optional<Value> (LineParser::*)(const QString& head, TrialCommit& commit);
        std::vector<QStringView> heads; // lower-case; texts that outlive the layer
        Guard guard = nullptr;
        Handler handler = nullptr;
        // Most handlers run as a trial and count as a level of nesting. A direct one runs as it is:
        // it reads nothing unless its phrase is there, and giving nothing lets the next row try.
        bool direct = false;
    };

    PhraseLayer(Hooks hooks, std::vector<Phrase> phrases);

    const Hooks hooks;
    // The rows to try for a head word, in table order.
    [[nodiscard]] const std::vector<const Phrase*>& phrasesFor(const QString& head) const;

private:
    const std::vector<Phrase> m_rows;
    QHash<QString, std::vector<const Phrase*>> m_byHead;
    std::vector<const Phrase*> m_anyHead;
};

inline const LineParser::PhraseLayer& LineParser::keywords() {
    const PhraseLayer* layer = installed.load(std::memory_order_acquire);
    if (!layer) [[unlikely]]
        throw CalcError(QStringLiteral("The keyword phrases are not installed"));
    return *layer;
}

} // namespace VexilCore
