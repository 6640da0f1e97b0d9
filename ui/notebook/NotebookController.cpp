// The notebook controller's construction, its view tree, the drawer and the window-level switches.
#include "ui/notebook/NotebookController.h"

#include "ui/common/Controls.h"
#include "ui/common/KeyNames.h"
#include "ui/common/Theme.h"
#include "ui/notebook/HelpPopover.h"
#include "ui/notebook/NotebookScrollView.h"
#include "ui/notebook/NotebookTextView.h"
#include "ui/notebook/Pasteboard.h"
#include "ui/notebook/RootView.h"
#include "ui/storage/NoteStore.h"
#include "ui/storage/Preferences.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QUndoStack>
#include <QVariantAnimation>

#include <cmath>

namespace VexilUI {

namespace {

// Stands in for the platform's blurred window material: an opaque dark backdrop under the tint.
class BackdropView : public QWidget {
public:
    explicit BackdropView(QWidget* parent) : QWidget(parent) {
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, Theme::rgb(0x1E1F23));
        setPalette(pal);
    }
};

qreal halfAwayFromZero(qreal x) {
    return std::round(x);
}

} // namespace

const QStringList& NotebookController::hintLines() {
    static const QStringList lines{
        QStringLiteral("Try:  20% of 250"),
        QStringLiteral("      1000mg to g"),
        QStringLiteral("      June 4 + 18 days"),
        QStringLiteral("      $30 to EUR"),
    };
    return lines;
}

QString NotebookController::drawerTitle(bool open) {
    return open ? QStringLiteral("Close the Drawer") : QStringLiteral("Open the Drawer");
}

NotebookController::NotebookController(std::shared_ptr<Preferences> prefs, std::shared_ptr<NoteStore> notes,
                                       std::shared_ptr<VexilCore::RatesService> rates, QObject* parent)
    : QObject(parent), calendar{QTimeZone::systemTimeZone(), QLocale()}, locale(QLocale()),
      now(&VexilCore::RatesService::systemNow), pasteboard(std::make_shared<SystemPasteboard>()),
      m_prefs(std::move(prefs)), m_notes(std::move(notes)), m_rates(std::move(rates)) {
    m_textView = NotebookTextView::make(m_prefs->fontSize());
    m_undo = new QUndoStack(this);
    m_recorder = std::make_unique<TextUndoRecorder>(
        m_undo, [this](VexilCore::TextRange range, const QString& text, VexilCore::TextRange selectionAfter) {
            applyUndoEdit(range, text, selectionAfter);
        });
    buildViews();

    m_textView->setHint(hintLines());
    m_textView->overlay().setNeedsDisplay();
    m_textView->setResultsFraction(m_prefs->resultsFraction());

    // Callbacks hold the controller weakly: a view that outlives it does nothing.
    const QPointer<NotebookController> weak(this);
    m_textView->onDividerMoved = [weak](std::optional<qreal> fraction) {
        if (weak) weak->m_prefs->setResultsFraction(fraction);
    };
    m_textView->onResultClick = [weak](int line) {
        if (weak) weak->insertReference(line);
    };
    m_textView->onResultCopy = [weak](int line) {
        if (weak) weak->copyResult(line);
    };
    m_textView->onCopySelection = [weak](VexilCore::TextRange range) {
        return weak ? weak->copySummaryValue(range) : false;
    };
    m_textView->onContextMenu = [weak](QMenu& menu) {
        if (weak) weak->addContextMenuItems(menu);
    };
    connect(m_textView, &NotebookTextView::textWillLayout, this, &NotebookController::textWillLayout);
    connect(m_textView, &NotebookTextView::textDidChange, this, &NotebookController::textDidChange);
    connect(m_textView, &NotebookTextView::selectionDidChange, this,
            &NotebookController::textViewDidChangeSelection);
    connect(m_textView, &NotebookTextView::undoRequested, this, [this] {
        if (m_textView->shouldChangeText()) m_undo->undo();
    });
    connect(m_textView, &NotebookTextView::redoRequested, this, [this] {
        if (m_textView->shouldChangeText()) m_undo->redo();
    });
    m_textView->installEventFilter(this);
    m_recorder->reset(m_textView->canonicalText());

    watchStore();
    m_rates->onChange = [weak] {
        if (!weak) return;
        weak->updateRatesLabel();
        weak->recalc();
    };
    connect(m_prefs.get(), &Preferences::didChange, this, &NotebookController::applyPreferences);

    updateSaveLabel();
    updateRatesLabel();
}

NotebookController::~NotebookController() {
    if (m_rates) m_rates->onChange = nullptr;
    if (m_notes) m_notes->onStatus = nullptr;
    if (m_drawerAnimation) m_drawerAnimation->stop();
    delete m_helpPopover.data();
    // The views go with the controller unless a window took them and went first.
    delete m_rootView.data();
}

void NotebookController::watchStore() {
    const QPointer<NotebookController> weak(this);
    m_notes->onStatus = [weak](const NoteStore::Status&) {
        if (weak) weak->updateSaveLabel();
    };
}

void NotebookController::buildViews() {
    m_rootView = new RootView;
    m_rootView->setObjectName(QStringLiteral("NotebookRoot"));
    RootView* root = m_rootView;

    m_effectView = new BackdropView(root);
    m_tintView = new TintView(root);

    m_scrollView = new NotebookScrollView(m_textView, root);

    m_wordmark = new WordmarkLabel(root);
    {
        QFont font = QApplication::font();
        font.setPixelSize(13);
        font.setWeight(QFont::Light);
        font.setLetterSpacing(QFont::AbsoluteSpacing, 4.0);
        m_wordmark->setFont(font);
        QPalette pal = m_wordmark->palette();
        pal.setColor(QPalette::WindowText, Qt::white);
        m_wordmark->setPalette(pal);
        m_wordmark->setText(QStringLiteral("VEXIL"));
        m_wordmark->setAlignment(Qt::AlignCenter);
        m_wordmark->setAccessibleName(QStringLiteral("VEXIL"));
    }
    const QPointer<NotebookController> weak(this);
    m_wordmark->onOptionClick = [weak] {
        if (weak) weak->playSnake();
    };
    m_wordmark->setAccessibilityAction(QStringLiteral("Play Snake"),
                                       [weak] { return weak && weak->playSnake(); });

    m_helpButton = new HelpButton(QStringLiteral("?"), root);
    m_helpButton->setHoverText(QStringLiteral("Shortcuts and Examples (") +
                               shortcutText(QKeySequence(Qt::CTRL | Qt::Key_Question)) + u')');
    m_helpButton->setAccessibleName(QStringLiteral("Help"));
    connect(m_helpButton, &QAbstractButton::clicked, this, &NotebookController::showHelp);

    m_aboutButton = new HelpButton(QStringLiteral("i"), root);
    m_aboutButton->setHoverText(QStringLiteral("About VEXIL"));
    m_aboutButton->setAccessibleName(QStringLiteral("About VEXIL"));
    connect(m_aboutButton, &QAbstractButton::clicked, this, &NotebookController::showAbout);

    m_saveLabel = new ElidedLabel(root);
    {
        QFont font = QApplication::font();
        font.setPixelSize(11);
        m_saveLabel->setFont(font);
        m_saveLabel->setTextColor(Theme::muted());
    }

    m_ratesButton = new StatusButton(root);
    m_ratesButton->setTitleAlignment(Qt::AlignCenter);
    connect(m_ratesButton, &QAbstractButton::clicked, this, &NotebookController::refreshRates);

    m_totalButton = new StatusButton(root);
    m_totalButton->setTitleAlignment(Qt::AlignRight);
    m_totalButton->setToolTip(QStringLiteral("Total of every answer in this sheet. Click to copy."));
    m_totalButton->hide();
    connect(m_totalButton, &QAbstractButton::clicked, this, &NotebookController::copyTotal);

    // Made now, shown once a drawer is installed.
    m_drawerButton = new HelpButton(QString(), root);
    m_drawerButton->hide();
    m_drawerEdge = new DrawerEdgeView(root);
    m_drawerEdge->hide();

    root->effect = m_effectView;
    root->tint = m_tintView;
    root->scroll = m_scrollView;
    root->wordmark = m_wordmark;
    root->help = m_helpButton;
    root->about = m_aboutButton;
    root->save = m_saveLabel;
    root->rates = m_ratesButton;
    root->total = m_totalButton;
    root->rootLayout.titlebarTop = 14;
    root->rootLayout.scrollTop = 34;
    root->layoutNow();
}

void NotebookController::setTitlebarHeight(qreal height) {
    m_rootView->rootLayout.titlebarTop = height / 2;
    m_rootView->rootLayout.scrollTop = height + 4;
    m_rootView->layoutNow();
}

bool NotebookController::playSnake() {
    if (!m_rootView || !m_rootView->parentWidget() || !onPlaySnake) return false;
    return onPlaySnake(m_rootView->window());
}

// --- Drawer -------------------------------------------------------------------------------------------

void NotebookController::installSidebar(QWidget* view, qreal width) {
    if (!view || m_sidebarView) return;
    m_sidebarView = view;
    m_defaultSidebarWidth = width;
    const int stored = m_prefs->drawerWidth(); // 0 when none, otherwise within 160...420
    m_sidebarFullWidth = stored == 0 ? width : stored;

    // Over the backdrop and tint, under the editor and the controls.
    view->setParent(m_rootView);
    view->stackUnder(m_scrollView);
    view->show();
    m_rootView->drawer = view;
    m_rootView->rootLayout.hasDrawer = true;
    m_rootView->rootLayout.drawerWidth = m_sidebarFullWidth;

    const QPointer<NotebookController> weak(this);
    m_drawerEdge->setOwner(this, DrawerEdgeOwner{
                                     [weak](qreal w) {
                                         if (weak) weak->setDrawerWidth(w);
                                     },
                                     [weak] { return weak ? weak->m_defaultSidebarWidth : 0.0; },
                                     [weak] { return weak ? weak->m_sidebarFullWidth : 0.0; },
                                 });
    m_rootView->edge = m_drawerEdge;
    m_drawerEdge->raise();
    m_drawerEdge->show();

    m_drawerButton->setSymbol(QStringLiteral("sidebar.left"));
    m_drawerButton->update();
    connect(m_drawerButton, &QAbstractButton::clicked, this, &NotebookController::toggleDrawer);
    m_drawerButton->stackUnder(m_scrollView); // directly above the drawer
    m_drawerButton->show();
    m_rootView->drawerButton = m_drawerButton;

    m_rootView->layoutNow();
    setDrawerOpen(m_prefs->drawerOpen(), false);
}

void NotebookController::setDrawerWidth(qreal width) {
    if (!m_sidebarView) return;
    const bool hasWindow = m_rootView->parentWidget() != nullptr;
    const qreal upper =
        hasWindow ? std::clamp<qreal>(m_rootView->window()->width() - minNotebookWidth, 160, 420) : 420;
    // The upper bound wins when the two clash.
    const qreal w = std::min(std::max<qreal>(halfAwayFromZero(width), 160), upper);
    m_sidebarFullWidth = w;
    m_prefs->setDrawerWidth(std::abs(w - m_defaultSidebarWidth) <= 0.5 ? 0 : qint64(w));
    if (m_isDrawerOpen) {
        if (m_drawerAnimation) m_drawerAnimation->stop();
        setDrawerConstant(w);
    }
    updateMinWindowWidth();
}

void NotebookController::resetDrawerWidth() {
    setDrawerWidth(m_defaultSidebarWidth);
}

void NotebookController::updateMinWindowWidth() {
    if (!m_sidebarView || !m_rootView->parentWidget()) return;
    m_rootView->window()->setMinimumWidth(int(m_sidebarFullWidth + minNotebookWidth));
}

void NotebookController::setDrawerConstant(qreal width) {
    m_rootView->rootLayout.drawerWidth = width;
    m_rootView->layoutNow();
}

void NotebookController::setDrawerOpen(bool open, bool animated) {
    if (!m_sidebarView) return;
    m_isDrawerOpen = open;
    m_prefs->setDrawerOpen(open);
    m_drawerButton->setHoverText(drawerTitle(open) + QStringLiteral(" (") +
                                 shortcutText(QKeySequence(Qt::META | Qt::CTRL | Qt::Key_S)) + u')');
    m_drawerButton->setAccessibleName(drawerTitle(open));
    if (open) {
        m_sidebarView->show();
    } else if (QWidget* focus = QApplication::focusWidget(); focus && m_sidebarView->isAncestorOf(focus)) {
        m_textView->setFocus(Qt::OtherFocusReason);
    }
    m_drawerEdge->setVisible(open);

    const qreal target = open ? m_sidebarFullWidth : 0;
    if (m_drawerAnimation) m_drawerAnimation->stop(); // a stopped animation reports no completion
    const QPointer<QWidget> drawer = m_sidebarView;
    const bool windowVisible = m_rootView->parentWidget() && m_rootView->window()->isVisible();
    if (animated && windowVisible) {
        auto* animation = new QVariantAnimation(this);
        animation->setDuration(180);
        animation->setEasingCurve(QEasingCurve::InOutQuad);
        animation->setStartValue(m_rootView->rootLayout.drawerWidth);
        animation->setEndValue(target);
        connect(animation, &QVariantAnimation::valueChanged, this,
                [this](const QVariant& value) { setDrawerConstant(value.toReal()); });
        connect(animation, &QVariantAnimation::finished, this, [this, open, drawer] {
            if (m_isDrawerOpen == open && drawer) drawer->setVisible(open);
        });
        m_drawerAnimation = animation;
        animation->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        setDrawerConstant(target);
        if (m_isDrawerOpen == open) drawer->setVisible(open);
    }
}

void NotebookController::toggleDrawer() {
    setDrawerOpen(!m_isDrawerOpen, true);
}

void NotebookController::setReduceTransparency(bool on) {
    m_reduceTransparency = on;
    m_tintView->setSolid(on);
    m_tintView->update();
    m_effectView->setVisible(!on);
}

bool NotebookController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_textView && event->type() == QEvent::KeyPress) {
        // Name the undo step of a paste or cut from the keyboard.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key == QKeySequence::Paste || key == QKeySequence::Cut) {
            m_pendingActionName =
                key == QKeySequence::Paste ? QStringLiteral("Paste") : QStringLiteral("Cut");
            if (key == QKeySequence::Paste)
                m_textView->paste();
            else
                m_textView->cut();
            m_pendingActionName.clear();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace VexilUI
