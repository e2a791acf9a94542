#pragma once
// Page control and tab sheets. A page shown from code (SetActivePage) raises no change event:
// only the user's switch does, so code that shows a page calls the change handling itself.

#include <host/forms/Control.h>

#include <QTabWidget>

namespace host {

class TTabSheet;

class TPageControl : public QTabWidget, public TControl {
    Q_OBJECT
public:
    explicit TPageControl(QWidget* parent);
    bool IsContainer() const override { return true; }

    TTabSheet* ActivePage() const;
    // Shows the page without raising OnChange; the page already shown changes nothing.
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const { return currentIndex(); }
    int PageCount() const { return count(); }
    TTabSheet* Pages(int index) const;

    // Raised when the user switches pages (tab click or keyboard).
    TNotifyEvent OnChange;

private:
    friend class TTabSheet;
    bool fromCode_ = false;
};

// The page control of the suite's base forms, by its classic name.
using TCustomPageControl98 = TPageControl;

class TTabSheet : public QWidget, public TControl {
    Q_OBJECT
public:
    TTabSheet(TPageControl* pageControl, const QString& caption = QString());
    bool IsContainer() const override { return true; }

    TPageControl* PageControl() const { return pageControl_; }
    int PageIndex() const;
    QString Caption() const;
    void SetCaption(const QString& caption);
    // A disabled page cannot be chosen and its controls take no focus.
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool on) { setEnabled(on); }
    bool TabVisible() const;
    void SetTabVisible(bool on);

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    TPageControl* pageControl_;
};

} // namespace host
