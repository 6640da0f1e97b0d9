#pragma once

#include "ui/storage/Preferences.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace VexilUI {

// Two small arrow buttons that step an integer by one inside its bounds, without wrapping.
class Stepper : public QWidget {
    Q_OBJECT
public:
    explicit Stepper(QWidget* parent = nullptr);
    int value() const { return m_value; }
    void setValue(int value);
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    void setRange(int minimum, int maximum);
    void stepBy(int steps);
    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

signals:
    void stepped(); // a step by the user

private:
    QToolButton* m_up;
    QToolButton* m_down;
    int m_value = 0;
    int m_minimum = 0;
    int m_maximum = 0;
};

// The "Settings" window: five small numbers, each with a field and a stepper, and the folders switch.
// Every change goes through Preferences at once; the window follows changes made elsewhere.
class SettingsWindowController : public QObject {
    Q_OBJECT
public:
    struct Row {
        Stepper* stepper = nullptr;
        QLineEdit* field = nullptr;
        IntRange range{0, 0};
        std::function<int()> get;
        std::function<void(qint64)> set;
    };

    explicit SettingsWindowController(std::shared_ptr<Preferences> prefs, QObject* parent = nullptr);
    ~SettingsWindowController() override;

    QWidget* window() const { return m_window.get(); }
    Preferences& prefs() const { return *m_prefs; }
    const std::optional<Row>& fontRow() const { return m_fontRow; }
    const std::optional<Row>& decimalsRow() const { return m_decimalsRow; }
    const std::optional<Row>& currencyRow() const { return m_currencyRow; }
    const std::optional<Row>& cryptoRow() const { return m_cryptoRow; }
    const std::optional<Row>& emRow() const { return m_emRow; }
    std::vector<const Row*> rows() const;
    QCheckBox* foldersCheckbox() const { return m_foldersCheckbox; }
    QPushButton* restoreButton() const { return m_restoreButton; }

    // Centres the window on its screen and brings it up, key and in front.
    void show();

    void stepped(Stepper* stepper);
    void textChanged(QLineEdit* field);
    void commit(QLineEdit* field);
    void foldersToggled();
    void restoreDefaults();
    void sync();

    // A decimal integer: an optional sign and digits only, saturating at the 64-bit bounds.
    static std::optional<qint64> readInteger(QStringView text);

private:
    void build();
    const Row* rowFor(const QObject* control) const;
    void show(int value, QLineEdit* field, bool force);

    std::shared_ptr<Preferences> m_prefs;
    std::unique_ptr<QWidget> m_window;
    std::optional<Row> m_fontRow;
    std::optional<Row> m_decimalsRow;
    std::optional<Row> m_currencyRow;
    std::optional<Row> m_cryptoRow;
    std::optional<Row> m_emRow;
    QCheckBox* m_foldersCheckbox = nullptr;
    QPushButton* m_restoreButton = nullptr;
};

} // namespace VexilUI
