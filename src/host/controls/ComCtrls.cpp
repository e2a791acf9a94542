#include <host/controls/ComCtrls.h>

#include <host/controls/StdControls.h>
#include <host/core/EventBoundary.h>

#include <QEvent>
#include <QTabBar>

namespace host {

TPageControl::TPageControl(QWidget* parent) : QTabWidget(parent), TControl(this) {
    setFocusPolicy(Qt::NoFocus);
    tabBar()->setFocusPolicy(Qt::NoFocus);
    SetTabStop(false);
    connect(this, &QTabWidget::currentChanged, this, [this] {
        if (fromCode_ || !OnChange)
            return;
        Guard([this] { OnChange(this); });
    });
}

TTabSheet* TPageControl::ActivePage() const {
    return qobject_cast<TTabSheet*>(currentWidget());
}

TTabSheet* TPageControl::Pages(int index) const {
    return qobject_cast<TTabSheet*>(widget(index));
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (!page || page == currentWidget())
        return;
    fromCode_ = true;
    setCurrentWidget(page);
    fromCode_ = false;
}

TTabSheet::TTabSheet(TPageControl* pageControl, const QString& caption)
    : QWidget(nullptr), TControl(this), pageControl_(pageControl) {
    setFocusPolicy(Qt::NoFocus);
    SetTabStop(false);
    pageControl->fromCode_ = true;
    pageControl->addTab(this, caption);
    pageControl->fromCode_ = false;
}

int TTabSheet::PageIndex() const {
    return pageControl_->indexOf(const_cast<TTabSheet*>(this));
}

QString TTabSheet::Caption() const {
    return pageControl_->tabText(PageIndex());
}

void TTabSheet::SetCaption(const QString& caption) {
    pageControl_->setTabText(PageIndex(), caption);
}

bool TTabSheet::TabVisible() const {
    return pageControl_->isTabVisible(PageIndex());
}

void TTabSheet::SetTabVisible(bool on) {
    // Qt lays the page control out and repaints it whole, every page's controls with it, even
    // when the tab is already as asked.
    if (pageControl_->isTabVisible(PageIndex()) == on)
        return;
    pageControl_->fromCode_ = true;
    pageControl_->setTabVisible(PageIndex(), on);
    pageControl_->fromCode_ = false;
}

void TTabSheet::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        // Disabling a page keeps the page shown; the user just cannot pick it.
        pageControl_->fromCode_ = true;
        const int shown = pageControl_->currentIndex();
        pageControl_->setTabEnabled(PageIndex(), isEnabled());
        if (pageControl_->currentIndex() != shown)
            pageControl_->setCurrentIndex(shown);
        pageControl_->fromCode_ = false;
    }
}

void TTabSheet::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    RealignChildren(this);
}

} // namespace host
