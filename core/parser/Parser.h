#pragma once

#include "core/parser/Highlight.h"
#include "core/parser/Token.h"
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

#include <functional>
#include <initializer_list>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

namespace VexilCore {

// Thrown when a line turns out to have nothing to show; parseLine() makes it an absent result.
struct NoValue {};

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
    QString lineText;
};

// A name and the value given to it inside a conditional branch.
using Assignment = std::pair<QString, Value>;

// The recursive-descent parser of one sheet line. It evaluates while it parses: every level
// returns a computed Value or throws CalcError / NoValue. Built per line, used once, dropped.
//
// Token indices everywhere refer to the token list without the quoted tokens.
class LineParser {
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
    const QList<Assignment>& assignments() const { return assignments_; }
    // Whether a unit term took the word "pt".
    bool usedPt() const { return usedPt_; }

    // A conversion word at i followed by a unit expression ending at a boundary: the unit and
    // the index after it. Moves and marks nothing, but reading "pt" sets usedPt.
    std::optional<std::pair<CompoundUnit, int>> conversionTarget(int i);

    // Shared word tables, lower-case, built once on first use.
    static const QSet<QString>& conversionWords(); // 4
    static const QSet<QString>& triggerWords();    // 11
    static const QSet<QString>& operatorWords();   // 22
    static const QSet<QString>& constants();       // 16
    static const QSet<QString>& functions();       // 45
    static const QSet<QString>& phraseWords();     // 28
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

    // ---- State saved by trials -------------------------------------------------------------
    struct TrialState {
        int p;
        QList<std::optional<Role>> roles;
        bool sawValue, usedPt;
        QList<Assignment> assignments;
        bool lastWasPercent;
    };
    TrialState save() const;
    void restore(TrialState&& s);

    // A trial that commits: once the body calls commit(), a CalcError it throws propagates
    // instead of rolling back (a recognised phrase reports its operand's error).
    class TrialCommit {
    public:
        void operator()() { done = true; }
        bool committed() const { return done; }

    private:
        bool done = false;
    };

    // Runs body (returning optional<Value>, optionally taking a TrialCommit&). When it throws
    // CalcError or NoValue, or returns nothing, every trial field is put back and nothing is
    // returned. Other exceptions pass through.
    template <class F> std::optional<Value> trial(F&& body);

    class StopWords;
    class Nesting;

    // ---- Cursor and highlights -------------------------------------------------------------
    // Lower-case text of t[i] when it is a word.
    [[nodiscard]] std::optional<QString> word(int i) const;
    // t[min(p + k, last)].
    [[nodiscard]] const Token& peek(int k) const;
    [[nodiscard]] bool atStop() const;
    // Words (lower-case) and symbols (exact) against consecutive tokens from at (p when absent).
    [[nodiscard]] bool matches(std::initializer_list<QStringView> words, std::optional<int> at = {}) const;
    bool eat(std::initializer_list<QStringView> words, Role role);
    // eat with Keyword; throws "Expected '<words>'" when they are not there.
    void expect(std::initializer_list<QStringView> words);
    void mark(int i, Role role);
    void markUnitTokens(int from, int to);
    // Moves the cursor; it never passes the final eof.
    void advance(int n = 1);

    // ---- Line entry and conversions --------------------------------------------------------
    Value parseConversion();
    void finishLine();

    // ---- Operator chain --------------------------------------------------------------------
    Value parseLogical();
    Value parseComparison();
    Value parseBitOr();
    Value parseBitXor();
    Value parseBitAnd();
    Value parseShift();
    Value parseAdditive();
    bool compare(const Value& a, const Value& b, QStringView op) const;
    // The value as a whole number below 9e15 in magnitude, else "<name> needs whole numbers".
    static qint64 integer(const Value& v, const QString& name);

    // ---- Phrases: open handlers -------------------------------------------------------------
    // Each handler is entered with the cursor on its head word and calls commit once the head
    // and its own keywords are read: a failure before that rolls the words back, a CalcError
    // after it is the line's. Their grammars are written above each definition.

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

    // remainder, random, clamp, interest, present, growth: to their handlers.
    std::optional<Value> openWordPhrase(const QString& head, TrialCommit& commit);
    std::optional<Value> rootPhrase(const QString& head, TrialCommit& commit);
    std::optional<Value> logPhrase(TrialCommit& commit);
    std::optional<Value> halfPhrase(TrialCommit& commit);
    std::optional<Value> midpointPhrase(const QString& head, TrialCommit& commit);
    std::optional<Value> remainderPhrase(TrialCommit& commit);
    std::optional<Value> randomPhrase(TrialCommit& commit);
    std::optional<Value> clampPhrase(TrialCommit& commit);
    // "hours in a day": the dispatcher asks unitInFollows for the word after "in".
    [[nodiscard]] bool unitInFollows(int i) const;
    std::optional<Value> unitInPhrase(TrialCommit& commit);
    std::optional<Value> loanPhrase(TrialCommit& commit);
    std::optional<Value> periodicPaymentPhrase(const QString& head, TrialCommit& commit);
    std::optional<Value> interestPhrase(TrialCommit& commit);
    std::optional<Value> presentValuePhrase(TrialCommit& commit);
    std::optional<Value> growthPhrase(TrialCommit& commit);
    std::optional<Value> gainPhrase(TrialCommit& commit);
    // The growth question after "after"/"for" on the amount a; throws when it does not apply.
    Value growthClause(const Quantity& a);
    // The second end of a range or change after "to" (cursor after "to"); nothing, with every
    // trial field as before, when no second value can be read there.
    std::optional<Value> rangeOrChangeReading(const Value& first);
    // "days until Nov 27", "hours between 9am and 5pm"; head "business" stands for "business days",
    // head "time" for a span in days or hours as the ends give.
    std::optional<Value> timeBetweenPhrase(const QString& head, TrialCommit& commit);
    std::optional<Value> dateInPhrase(TrialCommit& commit);
    std::optional<Value> weekNumberPhrase(TrialCommit& commit);
    std::optional<Value> dayOfWeekPhrase(TrialCommit& commit);
    std::optional<Value> weekdayPhrase(TrialCommit& commit);
    std::optional<Value> relativeWeekdayPhrase(const QString& head, TrialCommit& commit);
    // The day of now in the context's calendar.
    [[nodiscard]] CalendarDate today() const;
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
    // An error flagged incomplete when the cursor is at eof or a comment.
    [[nodiscard]] CalcError fail(QString message) const;

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
    // Not const: reading "pt" sets usedPt.
    std::optional<std::pair<CompoundUnit, int>> unitAt(int i);
    [[nodiscard]] bool isUnitWord(int i) const;
    void markRange(int from, int to, Role role);

    // ---- Word resolution -------------------------------------------------------------------
    Value parseWord(const QString& w, int start);
    Value reference(qint64 n) const;
    std::optional<Value> constant(const QString& lw, const QString& w);
    qint64 parseOptionalYear();
    QList<Value> readArguments();
    [[nodiscard]] bool continuesExpression(const Token& tok) const;

    // ---- Unit expressions ------------------------------------------------------------------
    // Not const: reading "pt" sets usedPt.
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
    // The range or change after "to", with the cursor after "to"; nothing when no second value
    // can be read there.
    std::optional<Value> rangeOrChange(const Value& v);
    // The growth question after "after"/"for"; nothing (or a throw) when it does not apply.
    std::optional<Value> growth(const Quantity& a);
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
    // The word-led phrases headed by word (lower-case, p still on it). Until a phrase's head
    // and own keywords are recognised a failure rolls back; after that the CalcError of an
    // operand propagates. Absent, with nothing changed, when none applies.
    std::optional<Value> phrase(const QString& word);
    // A built-in function on its arguments (at least one); never moves the cursor.
    Value applyFunction(const QString& name, const QList<Value>& args);

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
    std::optional<Value> stdevPhrase(TrialCommit& commit);
    std::optional<Value> gcdLcmPhrase(const QString& head, TrialCommit& commit);
    Value zoneTimePhrase(const ZoneMatch& zone);
    Value timestampPhrase();

    // Operands separated by "," and "and" (each separator marked Op); extra stop words end
    // each operand as well. At least one value.
    QList<Value> list(const QSet<QString>& extra = {});
    // One statistic (sum, average, mean, avg, count, max, min, median, stdev, gcd, lcm).
    Value stat(const QString& name, const QList<Value>& values) const;

    // The zoned time of a clock time, an instant or a zoned time; nothing for other values.
    [[nodiscard]] std::optional<ZonedTime> zoned(const Value& v) const;
    // The same instant shown in another zone, the day shift following the local dates.
    [[nodiscard]] ZonedTime convertZone(const ZonedTime& z, const QTimeZone& zone, const QString& label) const;
    // "difference between A and B", entered on "difference".
    std::optional<Value> zoneDifference(TrialCommit& commit);
    // "time in Z", entered on "time".
    std::optional<Value> timeIn();

    // ---- Fields ----------------------------------------------------------------------------
    const QList<Token> t; // without the quoted tokens; ends with the one eof
    const QList<Token> quoted;
    int p = 0;
    QList<std::optional<Role>> roles;
    std::optional<LineEnv> ownEnv; // when the parser keeps its env
    LineEnv& env;
    bool sawValue = false;
    bool usedPt_ = false;
    QSet<QString> stopWords;
    QList<Assignment> assignments_;
    bool lastWasPercent = false;
    int depth = 0; // nesting guard
    // What the borrowed env's variables held before a branch assigned them: put back on drop.
    QList<std::pair<QString, std::optional<Value>>> replacedVariables;
    // The line's first primary with lastWasPercent after it, read by parseLine before the
    // operator chain; the chain's first parsePrimary takes it.
    std::optional<std::pair<Value, bool>> firstPrimary;
    bool impliedYear = false; // a month and day took the current year since this was last cleared

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

// Adds stop words (or replaces the set) and puts the previous set back on every path.
class LineParser::StopWords {
public:
    enum Mode { Add, Replace };
    StopWords(LineParser& parser, std::initializer_list<QStringView> words, Mode mode = Add)
        : lp(parser), saved(parser.stopWords) {
        if (mode == Replace) lp.stopWords.clear();
        for (QStringView w : words)
            lp.stopWords.insert(w.toString());
    }
    ~StopWords() { lp.stopWords = std::move(saved); }
    StopWords(const StopWords&) = delete;
    StopWords& operator=(const StopWords&) = delete;

private:
    LineParser& lp;
    QSet<QString> saved;
};

// One level of operand nesting; too many stop the line instead of the stack.
class LineParser::Nesting {
public:
    explicit Nesting(LineParser& parser) : lp(parser) {
        if (++lp.depth > kMaxDepth) {
            --lp.depth;
            throw CalcError(QStringLiteral("Too deeply nested"));
        }
    }
    ~Nesting() { --lp.depth; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;

private:
    LineParser& lp;
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

template <class F> std::optional<Value> LineParser::trial(F&& body) {
    TrialState saved = save();
    if constexpr (std::is_invocable_v<F, TrialCommit&>) {
        TrialCommit commit;
        try {
            if (auto v = body(commit)) return v;
        } catch (const CalcError&) {
            if (commit.committed()) throw;
        } catch (const NoValue&) {
        }
    } else {
        try {
            if (auto v = body()) return v;
        } catch (const CalcError&) {
        } catch (const NoValue&) {
        }
    }
    restore(std::move(saved));
    return std::nullopt;
}

} // namespace VexilCore
