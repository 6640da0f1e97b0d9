#pragma once

#include <QString>

#include <optional>

namespace VexilUI {

// Where copied text goes: the system clipboard in normal use, a memory one for scripted checks so the
// user's clipboard is never touched.
class Pasteboard {
public:
    virtual ~Pasteboard() = default;
    virtual void clear() = 0;
    virtual void setString(const QString& text) = 0;
    // The plain text held, if any.
    virtual std::optional<QString> string() const = 0;
};

class SystemPasteboard final : public Pasteboard {
public:
    void clear() override;
    void setString(const QString& text) override;
    std::optional<QString> string() const override;
};

class MemoryPasteboard final : public Pasteboard {
public:
    void clear() override { m_text.reset(); }
    void setString(const QString& text) override { m_text = text; }
    std::optional<QString> string() const override { return m_text; }

private:
    std::optional<QString> m_text;
};

} // namespace VexilUI
