#include "ui/shell/SettingsWindow.h"

#include "ui/common/Theme.h"
#include "ui/shell/WindowPlacement.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace VexilUI {

namespace {

constexpr IntRange foldersRange{0, 1};
const QString foldersOffKey = QStringLiteral("foldersOff");

bool foldersOn(const Preferences& prefs) {
    const std::optional<qint64> stored = prefs.store().intForKey(foldersOffKey);
    return !stored || *stored < 1;
}

QLabel* secondaryLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, pal.color(QPalette::PlaceholderText));
    label->setPalette(pal);
    return label;
}

} // namespace

Stepper::Stepper(QWidget* parent)
    : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton* button : {m_up, m_down}) {
        button->setAutoRepeat(true);
        button->setFixedSize(16, 11);
        button->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(button);
    }
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    m_up->setAccessibleName(QStringLiteral("Increment"));
    m_down->setAccessibleName(QStringLiteral("Decrement"));
    connect(m_up, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { stepBy(-1); });
}

void Stepper::setValue(int value) {
    m_value = std::clamp(value, m_minimum, m_maximum);
}

void Stepper::setRange(int minimum, int maximum) {
    m_minimum = minimum;
    m_maximum = std::max(minimum, maximum);
    setValue(m_value);
}

void Stepper::stepBy(int steps) {
    // No wrapping: a step past a bound stays on it.
    setValue(m_value + steps);
    emit stepped();
}

SettingsWindowController::SettingsWindowController(std::shared_ptr<Preferences> prefs, QObject* parent)
    : QObject(parent), m_prefs(std::move(prefs)) {
    m_window = std::make_unique<QWidget>(nullptr, fixedDialogFlags());
    m_window->setWindowTitle(QStringLiteral("Settings"));
    m_window->resize(420, 210);
    m_foldersCheckbox = new QCheckBox(QStringLiteral("Organise Sheets in Folders"));
    build();
    connect(m_prefs.get(), &Preferences::didChange, this, &SettingsWindowController::sync);
}

SettingsWindowController::~SettingsWindowController() = default;

std::vector<const SettingsWindowController::Row*> SettingsWindowController::rows() const {
    std::vector<const Row*> list;
    for (const std::optional<Row>* row : {&m_fontRow, &m_decimalsRow, &m_currencyRow, &m_cryptoRow, &m_emRow})
        if (*row) list.push_back(&**row);
    return list;
}

void SettingsWindowController::build() {
    Preferences* prefs = m_prefs.get();
    struct Spec {
        std::optional<Row>* slot;
        const char16_t* label;
        IntRange range;
        std::function<int()> get;
        std::function<void(qint64)> set;
        const char16_t* unit;
    };
    const Spec specs[] = {
        {&m_fontRow, u"Text Size:", Preferences::fontRange, [prefs] { return prefs->fontSize(); },
         [prefs](qint64 v) { prefs->setFontSize(v); }, u"pt   (11 to 30)"},
        {&m_decimalsRow, u"Max Decimal Places:", Preferences::decimalsRange,
         [prefs] { return prefs->maxDecimals(); }, [prefs](qint64 v) { prefs->setMaxDecimals(v); },
         u"(0 to 12, display only)"},
        {&m_currencyRow, u"Currency Decimals:", Preferences::decimalsRange,
         [prefs] { return prefs->currencyDecimals(); }, [prefs](qint64 v) { prefs->setCurrencyDecimals(v); },
         u"USD, EUR \u2026   (0 to 12)"},
        {&m_cryptoRow, u"Crypto Decimals:", Preferences::decimalsRange,
         [prefs] { return prefs->cryptoDecimals(); }, [prefs](qint64 v) { prefs->setCryptoDecimals(v); },
         u"BTC, ETH \u2026   (0 to 12)"},
        {&m_emRow, u"CSS em/rem Base:", Preferences::emBaseRange, [prefs] { return prefs->emBasePixels(); },
         [prefs](qint64 v) { prefs->setEmBasePixels(v); }, u"px   (8 to 96)"},
    };

    auto* content = new QWidget(m_window.get());
    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(12);
    grid->setHorizontalSpacing(10);
    int gridRow = 0;
    for (const Spec& spec : specs) {
        Row row;
        row.range = spec.range;
        row.get = spec.get;
        row.set = spec.set;
        row.stepper = new Stepper(content);
        row.stepper->setRange(int(spec.range.lower), int(spec.range.upper));
        row.stepper->setValue(row.get());
        connect(row.stepper, &Stepper::stepped, this, [this, s = row.stepper] { stepped(s); });
        row.field = new QLineEdit(QString::number(row.get()), content);
        row.field->setAlignment(Qt::AlignRight);
        row.field->setFixedWidth(52);
        connect(row.field, &QLineEdit::textEdited, this, [this, f = row.field] { textChanged(f); });
        connect(row.field, &QLineEdit::returnPressed, this, [this, f = row.field] { commit(f); });
        connect(row.field, &QLineEdit::editingFinished, this, [this, f = row.field] { commit(f); });
        *spec.slot = row;

        auto* label = new QLabel(QString::fromUtf16(spec.label), content);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* stack = new QHBoxLayout;
        stack->setSpacing(6);
        stack->addWidget(row.field);
        stack->addWidget(row.stepper);
        stack->addWidget(secondaryLabel(QString::fromUtf16(spec.unit), content));
        stack->addStretch(1);
        grid->addWidget(label, gridRow, 0, Qt::AlignRight | Qt::AlignVCenter);
        grid->addLayout(stack, gridRow, 1);
        ++gridRow;
    }
    m_foldersCheckbox->setParent(content);
    m_foldersCheckbox->setChecked(foldersOn(*m_prefs));
    m_foldersCheckbox->setAccessibleDescription(QStringLiteral(
        "When off, every sheet is listed on its own. Your folders come back when you turn this on again."));
    connect(m_foldersCheckbox, &QCheckBox::clicked, this, &SettingsWindowController::foldersToggled);
    auto* foldersLabel = new QLabel(QStringLiteral("Folders:"), content);
    foldersLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(foldersLabel, gridRow, 0, Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(m_foldersCheckbox, gridRow, 1);

    auto* note = secondaryLabel(
        QStringLiteral("Results are rounded for display only; the full value is kept for working."), content);
    note->setWordWrap(true);
    QFont noteFont = note->font();
    noteFont.setPixelSize(11);
    note->setFont(noteFont);

    m_restoreButton = new QPushButton(QStringLiteral("Restore Defaults"), content);
    m_restoreButton->setAutoDefault(false);
    connect(m_restoreButton, &QPushButton::clicked, this, &SettingsWindowController::restoreDefaults);

    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(20, 22, 20, 18);
    column->setSpacing(0);
    auto* gridLine = new QHBoxLayout;
    gridLine->addLayout(grid);
    gridLine->addStretch(1);
    column->addLayout(gridLine);
    column->addSpacing(16);
    column->addWidget(note);
    column->addSpacing(14);
    column->addWidget(m_restoreButton, 0, Qt::AlignRight);

    content->setFixedWidth(460);
    auto* outer = new QVBoxLayout(m_window.get());
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(content);
    content->adjustSize();
    m_window->setFixedSize(content->sizeHint().expandedTo(QSize(460, 0)));
}

void SettingsWindowController::show() {
    showCentred(m_window.get());
}

const SettingsWindowController::Row* SettingsWindowController::rowFor(const QObject* control) const {
    for (const Row* row : rows())
        if (row->stepper == control || row->field == control) return row;
    return nullptr;
}

std::optional<qint64> SettingsWindowController::readInteger(QStringView text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i >= text.size()) return std::nullopt;
    // Accumulate towards the sign so the most negative value fits too.
    qint64 value = 0;
    bool saturated = false;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') return std::nullopt;
        const int digit = c - u'0';
        if (saturated) continue;
        if (negative) {
            if (value < (std::numeric_limits<qint64>::min() + digit) / 10) {
                value = std::numeric_limits<qint64>::min();
                saturated = true;
            } else {
                value = value * 10 - digit;
            }
        } else if (value > (std::numeric_limits<qint64>::max() - digit) / 10) {
            value = std::numeric_limits<qint64>::max();
            saturated = true;
        } else {
            value = value * 10 + digit;
        }
    }
    return value;
}

void SettingsWindowController::stepped(Stepper* stepper) {
    const Row* row = rowFor(stepper);
    if (!row) return;
    row->set(stepper->value());
    sync();
}

void SettingsWindowController::textChanged(QLineEdit* field) {
    const Row* row = rowFor(field);
    if (!row) return;
    // Only a number that is already valid counts while the user is still typing.
    const std::optional<qint64> value = readInteger(field->text());
    if (!value || *value < row->range.lower || *value > row->range.upper) return;
    row->set(*value);
    row->stepper->setValue(int(*value));
}

void SettingsWindowController::commit(QLineEdit* field) {
    const Row* row = rowFor(field);
    if (!row) return;
    QString text = field->text();
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && (text[start] == u' ' || text[start] == u'\t'))
        ++start;
    while (end > start && (text[end - 1] == u' ' || text[end - 1] == u'\t'))
        --end;
    text = text.mid(start, end - start);
    if (const std::optional<qint64> value = readInteger(text))
        row->set(std::clamp(*value, row->range.lower, row->range.upper));
    // Whatever was typed, the field ends showing what is stored.
    const int stored = row->get();
    field->setText(QString::number(stored)); // the caret goes to the end
    row->stepper->setValue(stored);
}

void SettingsWindowController::show(int value, QLineEdit* field, bool force) {
    const QString text = QString::number(value);
    if (!field->hasFocus()) {
        if (field->text() != text) field->setText(text);
        return;
    }
    // A change that echoes what is being typed leaves the caret where it is.
    if (!force && readInteger(field->text()) == std::optional<qint64>(value)) return;
    field->setText(text); // the caret goes to the end
}

void SettingsWindowController::sync() {
    for (const Row* row : rows()) {
        const int value = row->get();
        row->stepper->setValue(value);
        show(value, row->field, false);
    }
    m_foldersCheckbox->setChecked(foldersOn(*m_prefs));
}

void SettingsWindowController::foldersToggled() {
    m_prefs->write(foldersOffKey, m_foldersCheckbox->isChecked() ? 0 : 1, foldersRange);
}

void SettingsWindowController::restoreDefaults() {
    // Only a key that differs from its default is written, and only that write is announced.
    m_prefs->write(QStringLiteral("fontSize"), Preferences::defaultFontSize, Preferences::fontRange);
    m_prefs->write(QStringLiteral("maxDecimals"), Preferences::defaultDecimals, Preferences::decimalsRange);
    m_prefs->write(QStringLiteral("currencyDecimals"), Preferences::defaultCurrencyDecimals,
                   Preferences::decimalsRange);
    m_prefs->write(QStringLiteral("cryptoDecimals"), Preferences::defaultCryptoDecimals,
                   Preferences::decimalsRange);
    m_prefs->write(QStringLiteral("emBasePixels"), Preferences::defaultEmBase, Preferences::emBaseRange);
    m_prefs->write(foldersOffKey, 0, foldersRange);
    sync();
}

} // namespace VexilUI
