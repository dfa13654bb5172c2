#include "anchors.h"

#include <QEvent>
#include <QFont>
#include <QPushButton>
#include <QWidget>

namespace wifv {

namespace {

class AnchorFilter : public QObject {
public:
    AnchorFilter(QWidget *child, int anchors, QSize parentDesign)
        : QObject(child), m_child(child), m_anchors(anchors), m_design(child->geometry()),
          m_parentDesign(parentDesign)
    {
        child->parentWidget()->installEventFilter(this);
        apply();
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_child->parentWidget() && event->type() == QEvent::Resize)
            apply();
        return false;
    }

private:
    static void span(int anchorsLow, int anchorsHigh, int growth, int &pos, int &size)
    {
        if (anchorsLow && anchorsHigh)
            size += growth;
        else if (anchorsHigh)
            pos += growth;
    }

    void apply()
    {
        const QSize now = m_child->parentWidget()->size();
        int x = m_design.x(), w = m_design.width(), y = m_design.y(), h = m_design.height();
        span(m_anchors & AnchorLeft, m_anchors & AnchorRight, now.width() - m_parentDesign.width(), x, w);
        span(m_anchors & AnchorTop, m_anchors & AnchorBottom, now.height() - m_parentDesign.height(), y, h);
        m_child->setGeometry(x, y, std::max(0, w), std::max(0, h));
    }

    QWidget *m_child;
    int m_anchors;
    QRect m_design;
    QSize m_parentDesign;
};

} // namespace

void anchorTo(QWidget *child, int anchors, QSize parentDesignSize)
{
    new AnchorFilter(child, anchors, parentDesignSize);
}

void installDesignFontFallbacks()
{
    QFont::insertSubstitutions(QStringLiteral("Segoe UI"),
                               {QStringLiteral("Open Sans"), QStringLiteral("Liberation Sans")});
    QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
}

QPushButton *makeButton(QWidget *parent, const QString &name, const QString &caption, const QRect &at)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(at);
    return button;
}

void useButtonFace(QWidget *window)
{
    window->setAutoFillBackground(true);
    QPalette face = window->palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    window->setPalette(face);
}

QFont designFont(int pointSize, bool bold)
{
    QFont font(QStringLiteral("Segoe UI"), pointSize, bold ? QFont::Bold : QFont::Normal);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace wifv
