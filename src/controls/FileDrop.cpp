// TFileDrop: taking files dropped from the desktop onto another control.
#include "controls/FileDrop.h"

#include "platform/ui/DroppedFiles.h"
#include "platform/ui/ErrorBox.h"

#include <QDropEvent>
#include <QWidget>

TFileDrop::TFileDrop(QObject* owner, Origin origin)
    : QObject(owner), reading_(origin == Origin::Form) {}

TFileDrop::~TFileDrop() {
    Release();
}

void TFileDrop::SetEnableDrop(bool enable) {
    if (!dropControl_)
        return;
    enableDrop_ = enable;
    dropControl_->setAcceptDrops(enable || acceptedDropsBefore_);
}

void TFileDrop::SetDropControl(QWidget* control) {
    if (reading_) {
        readDropControl_ = control;
        return;
    }
    if (control == dropControl_)
        return;
    Release();
    if (!control)
        return;
    Hook(control);
    SetEnableDrop(true);
}

void TFileDrop::Loaded() {
    if (!reading_)
        return;
    reading_ = false;
    SetDropControl(readDropControl_);
}

void TFileDrop::Hook(QWidget* control) {
    dropControl_ = control;
    acceptedDropsBefore_ = control->acceptDrops();
    control->installEventFilter(this);
    // A control that goes away takes its events with it; dropping is then off.
    controlGone_ = connect(control, &QObject::destroyed, this, [this] { enableDrop_ = false; });
}

void TFileDrop::Release() {
    if (!dropControl_)
        return;
    dropControl_->removeEventFilter(this);
    disconnect(controlGone_);
    SetEnableDrop(false);
    dropControl_ = nullptr;
}

bool TFileDrop::eventFilter(QObject*, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto& drag = static_cast<QDropEvent&>(*event);
    if (!enableDrop_ || !platform::ui::IsFileDrag(drag))
        return false;
    // A copy: the files stay where the desktop has them.
    drag.setDropAction(Qt::CopyAction);
    drag.accept();
    if (type == QEvent::Drop)
        TakeDrop(drag);
    return true;
}

void TFileDrop::TakeDrop(const QDropEvent& event) {
    files_ = platform::ui::DroppedFileNames(event.mimeData());
    dropPoint_ = event.position().toPoint();
    if (OnDrop)
        platform::ui::Guarded([this] { OnDrop(this); })();
}
