#include "dialog/CDialogBuilder.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace {

// Templates name the Japanese faces of a Windows desktop; these fonts, found
// on a Linux desktop, stand in for them.
void RegisterFaceSubstitutions() {
    static const bool bDone = [] {
        const QStringList gothicP{"IPAPGothic", "IPAexGothic", "Noto Sans CJK JP", "VL PGothic",
                                  "Takao PGothic"};
        const QStringList gothic{"IPAGothic", "IPAexGothic", "Noto Sans Mono CJK JP", "VL Gothic",
                                 "Takao Gothic"};
        QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"), gothicP);
        QFont::insertSubstitutions(QStringLiteral("MS PGothic"), gothicP);
        QFont::insertSubstitutions(QStringLiteral("ＭＳ ゴシック"), gothic);
        QFont::insertSubstitutions(QStringLiteral("MS Gothic"), gothic);
        return true;
    }();
    (void)bDone;
}

int MulDivRound(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

Qt::Alignment LabelAlignment(unsigned nStyle) {
    return Qt::AlignTop | ((nStyle & kItemRight) ? Qt::AlignRight : Qt::AlignLeft);
}

QWidget* CreateStatic(const DlgItemTemplate& item, QWidget* pParent) {
    QString text = QString::fromUtf8(item.pszText ? item.pszText : "");
    if (!(item.nStyle & kItemNoPrefix))
        text = CDialogBuilder::StripMnemonic(text);
    auto* pLabel = new QLabel(text, pParent);
    pLabel->setTextFormat(Qt::PlainText);
    pLabel->setAlignment(LabelAlignment(item.nStyle));
    pLabel->setWordWrap(true);
    return pLabel;
}

// A label one line high shows its whole text on that line. A stand-in font
// is not exactly as wide as the face the layout was drawn for, so a text
// drawn to just fit may run a pixel or two over: the label grows to hold it rather than
// wrap the rest onto a line that is not shown. Only left-aligned labels grow.
void FitOneLineLabel(QLabel* pLabel, unsigned nStyle) {
    if (nStyle & kItemRight)
        return;
    const QFontMetrics metrics(pLabel->font());
    if (pLabel->height() >= 2 * metrics.height())
        return;
    const int nText = metrics.horizontalAdvance(pLabel->text());
    if (nText > pLabel->width())
        pLabel->resize(nText, pLabel->height());
}

QWidget* CreateIcon(const DlgItemTemplate& item, QWidget* pParent) {
    auto* pLabel = new QLabel(pParent);
    // An icon keeps its own size (32 x 32), whatever the item's size.
    const QIcon icon(QString::fromUtf8(item.pszText ? item.pszText : ""));
    pLabel->setPixmap(icon.pixmap(32, 32));
    pLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return pLabel;
}

QWidget* CreateEdit(const DlgItemTemplate& item, QWidget* pParent) {
    auto* pEdit = new QLineEdit(pParent);
    if (item.nStyle & kItemPassword)
        pEdit->setEchoMode(QLineEdit::Password);
    if (item.nStyle & kItemNumber) {
        static const QRegularExpression digits(QStringLiteral("[0-9]*"));
        pEdit->setValidator(new QRegularExpressionValidator(digits, pEdit));
    }
    if (item.nStyle & kItemRight)
        pEdit->setAlignment(Qt::AlignRight);
    return pEdit;
}

QWidget* CreateWidget(const DlgItemTemplate& item, QWidget* pParent) {
    const QString text = QString::fromUtf8(item.pszText ? item.pszText : "");
    switch (item.kind) {
    case DlgItemKind::Static:
        return CreateStatic(item, pParent);
    case DlgItemKind::Icon:
        return CreateIcon(item, pParent);
    case DlgItemKind::PushButton: {
        auto* pButton = new QPushButton(text, pParent);
        pButton->setDefault(item.nStyle & kItemDefPushButton);
        return pButton;
    }
    case DlgItemKind::Edit:
        return CreateEdit(item, pParent);
    case DlgItemKind::CheckBox:
        return new QCheckBox(text, pParent);
    case DlgItemKind::ListBox:
        return new QListWidget(pParent);
    }
    return new QWidget(pParent);
}

} // namespace

CDialogBuilder::CDialogBuilder(const DialogTemplate& dlgTemplate)
    : m_template(dlgTemplate),
      m_font(MakeDialogFont(dlgTemplate.pszFontFace, dlgTemplate.nPointSize)) {
    // The average character width the layouts were drawn with: the 52 Latin
    // letters over 26, halved and rounded; the height is the font's full
    // line height.
    const QFontMetrics metrics(m_font);
    const int nAlphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_nBaseX = std::max(1, (nAlphabet / 26 + 1) / 2);
    m_nBaseY = std::max(1, metrics.height());
}

QFont CDialogBuilder::MakeDialogFont(const char* pszFace, int nPointSize) {
    RegisterFaceSubstitutions();
    QFont font;
    if (pszFace != nullptr && pszFace[0] != '\0')
        font.setFamily(QString::fromUtf8(pszFace));
    if (nPointSize > 0)
        font.setPointSize(nPointSize);
    return font;
}

QRect CDialogBuilder::MapDialogRect(int x, int y, int cx, int cy) const {
    // Edges are mapped, not sizes: items that touch in dialog units touch in
    // pixels too, where rounding each size alone could overlap them by one
    // pixel (a list button bar then hid the top border of its list).
    const int nLeft = MulDivRound(x, m_nBaseX, 4);
    const int nTop = MulDivRound(y, m_nBaseY, 8);
    return QRect(nLeft, nTop, MulDivRound(x + cx, m_nBaseX, 4) - nLeft,
                 MulDivRound(y + cy, m_nBaseY, 8) - nTop);
}

QSize CDialogBuilder::GetDialogSize() const {
    return MapDialogRect(0, 0, m_template.cx, m_template.cy).size();
}

QWidget* CDialogBuilder::CreateItem(const DlgItemTemplate& item, QWidget* pParent) const {
    QWidget* pWidget = CreateWidget(item, pParent);
    pWidget->setObjectName(QStringLiteral("item%1").arg(item.nId));
    pWidget->setProperty("dlgId", item.nId);
    pWidget->setGeometry(MapDialogRect(item.x, item.y, item.cx, item.cy));
    pWidget->setFont(m_font);
    if (item.kind == DlgItemKind::Static)
        FitOneLineLabel(static_cast<QLabel*>(pWidget), item.nStyle);
    if (!(item.nStyle & kItemTabStop) && item.kind != DlgItemKind::Static &&
        item.kind != DlgItemKind::Icon)
        pWidget->setFocusPolicy(Qt::ClickFocus);
    return pWidget;
}

QString CDialogBuilder::StripMnemonic(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size())
            ++i; // "&&" keeps the second '&'; "&x" keeps x
        result += text[i];
    }
    return result;
}
