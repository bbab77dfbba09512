#include "reports/forms/log_display_form.h"

#include "base/text_file.h"
#include "reports/forms/log_view.h"
#include "reports/log_display_fit.h"
#include "reports/log_files.h"

#include <QBoxLayout>
#include <QPushButton>
#include <QScreen>

namespace velnorix {
namespace {

// The window frame around the client area, for minimum sizes given as outer sizes.
constexpr int kFrameWidth = 8;
constexpr int kFrameHeight = 27;

QFont PixelFont(const QString& family, int pixels) {
    QFont font(family);
    font.setPixelSize(pixels);
    return font;
}

void SetPointSize(QWidget& widget, int points) {
    if (points <= 0)
        return;
    QFont font = widget.font();
    font.setPointSize(points);
    widget.setFont(font);
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setFont(PixelFont(QStringLiteral("Arial"), 13));
    button->setFixedSize(137, 33);
    button->setAutoDefault(false);
    return button;
}

} // namespace

bool TVelnorixLogDispForm::SearchForward = false;

TVelnorixLogDispForm::TVelnorixLogDispForm(QWidget* parent, UserPrompts& prompts)
    : QDialog(parent), m_prompts(prompts), m_logDisp(new LogView(this)),
      m_btnDone(MakeButton(this, QStringLiteral("btnDone"), QStringLiteral("Done"))),
      m_btnFindFirst(
          MakeButton(this, QStringLiteral("btnFindFirst"), QStringLiteral("Find 1st Failure"))),
      m_btnFindNext(
          MakeButton(this, QStringLiteral("btnFindNext"), QStringLiteral("Find Next Failure"))),
      m_btnFindLast(
          MakeButton(this, QStringLiteral("btnFindLast"), QStringLiteral("Find Last Failure"))) {
    setWindowTitle(QStringLiteral("Velnorix Log Display"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setFont(PixelFont(QStringLiteral("Arial"), 15));
    m_logDisp->setObjectName(QStringLiteral("LogDisp"));
    QFont logFont = PixelFont(QStringLiteral("Courier New"), 12);
    logFont.setStyleHint(QFont::TypeWriter);
    m_logDisp->setFont(logFont);
    m_btnFindFirst->setToolTip(QStringLiteral("Find first \"failure\" entry in Detail Log"));
    m_btnFindNext->setToolTip(QStringLiteral("Find next \"failure\" entry in Detail Log"));

    // The buttons stand centred in one row, so Done alone lands in the middle.
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(15);
    buttons->addStretch();
    for (QPushButton* button : {m_btnDone, m_btnFindFirst, m_btnFindNext, m_btnFindLast})
        buttons->addWidget(button);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 3, 7);
    layout->setSpacing(7);
    layout->addWidget(m_logDisp, 1);
    layout->addLayout(buttons);
    resize(748, 496);

    connect(m_btnDone, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_btnFindFirst, &QPushButton::clicked, this, &TVelnorixLogDispForm::btnFindFirstClick);
    connect(m_btnFindNext, &QPushButton::clicked, this, &TVelnorixLogDispForm::btnFindNextClick);
    connect(m_btnFindLast, &QPushButton::clicked, this, &TVelnorixLogDispForm::btnFindLastClick);
}

void TVelnorixLogDispForm::HideSearchButtons() {
    m_btnFindFirst->hide();
    m_btnFindNext->hide();
    m_btnFindLast->hide();
}

void TVelnorixLogDispForm::btnFindFirstClick() {
    SearchForward = true;
    ShowFound(FindFailureForward(m_logDisp->Text(), {}));
}

void TVelnorixLogDispForm::btnFindNextClick() {
    const TextPosition caret = m_logDisp->Selection().Caret;
    ShowFound(SearchForward ? FindFailureForward(m_logDisp->Text(), caret)
                            : FindFailureBackward(m_logDisp->Text(), caret));
}

void TVelnorixLogDispForm::btnFindLastClick() {
    SearchForward = false;
    ShowFound(FindFailureBackward(m_logDisp->Text(), m_logDisp->Text().End()));
}

void TVelnorixLogDispForm::ShowFound(const std::optional<TextSelection>& found) {
    if (found)
        m_logDisp->Select(*found);
    else
        m_prompts.ShowInformation(kNoFailureFoundMessage);
}

void TVelnorixLogDispForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_fitted) {
        m_fitted = true;
        FormShow();
    }
}

void TVelnorixLogDispForm::FormShow() {
    const LogDisplayFit fit = LogDisplayFitForScreen(screen()->geometry().width());
    SetPointSize(*m_logDisp, fit.LogFontPoints);
    SetPointSize(*m_btnDone, fit.DoneFontPoints);
    SetPointSize(*m_btnFindFirst, fit.FindFontPoints);
    SetPointSize(*m_btnFindNext, fit.FindFontPoints);
    if (fit.MinimumWidth > 0)
        setMinimumSize(fit.MinimumWidth - kFrameWidth, fit.MinimumHeight - kFrameHeight);
}

std::unique_ptr<TVelnorixLogDispForm> CreateLogDisplay(QWidget* parent, UserPrompts& prompts,
                                                       const std::string& fileName,
                                                       bool withSearchButtons) {
    if (!FileExists(fileName)) {
        prompts.ShowErrorBox(kLogNotAvailableMessage);
        return nullptr;
    }
    LogText text(ReadLogFile(fileName));
    auto form = std::make_unique<TVelnorixLogDispForm>(parent, prompts);
    if (!withSearchButtons)
        form->HideSearchButtons();
    form->LogDisp().SetText(std::move(text));
    return form;
}

void ShowLogFile(QWidget* parent, UserPrompts& prompts, const std::string& fileName,
                 bool withSearchButtons) {
    std::unique_ptr<TVelnorixLogDispForm> form;
    try {
        form = CreateLogDisplay(parent, prompts, fileName, withSearchButtons);
    } catch (const std::exception& error) {
        prompts.ShowGeneralError(error.what());
        return;
    }
    if (form)
        form->exec();
}

} // namespace velnorix
