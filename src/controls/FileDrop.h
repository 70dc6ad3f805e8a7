// TFileDrop: a non-visual component that makes another control a target for files dropped from
// the desktop. An event filter on the drop control takes drags of local files, keeps each file's
// Windows path in the order the desktop delivered them and fires OnDrop; every other event goes on
// to the control as before. A drag over a widget inside the control that the widget does not take
// itself reaches the control too, as Qt passes refused drags on to the parent.
#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class QDropEvent;

class TFileDrop;
using TFileDropEvent = std::function<void(TFileDrop* sender)>;

class TFileDrop : public QObject {
    Q_OBJECT
public:
    // How the component comes to be. A window that reads it from its form assigns the stored
    // properties in their order and then calls Loaded: until then the drop control is a reference
    // still to be resolved, so EnableDrop, stored first, finds no control and has no effect; it is
    // the drop control's assignment at Loaded that switches dropping on.
    enum class Origin { Code, Form };

    explicit TFileDrop(QObject* owner = nullptr, Origin origin = Origin::Code);
    ~TFileDrop() override;

    // Published properties and event.
    const std::vector<std::string>& Files() const { return files_; }
    int FileCount() const { return static_cast<int>(files_.size()); }
    bool EnableDrop() const { return enableDrop_; }
    // Without a drop control this has no effect and EnableDrop keeps its value.
    void SetEnableDrop(bool enable);
    QWidget* DropControl() const { return dropControl_; }
    // Releases the previous control, hooks the new one and switches dropping on; none releases.
    void SetDropControl(QWidget* control);
    TFileDropEvent OnDrop;

    // The end of reading from a form.
    void Loaded();

    // Where the last drop landed, in the drop control's coordinates.
    QPoint DropPoint() const { return dropPoint_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Hook(QWidget* control);
    void Release();
    void TakeDrop(const QDropEvent& event);

    std::vector<std::string> files_;
    bool enableDrop_ = false;
    QPointer<QWidget> dropControl_;
    bool acceptedDropsBefore_ = false; // the control's own setting, given back on release
    QMetaObject::Connection controlGone_;
    QPoint dropPoint_;
    bool reading_ = false;
    QPointer<QWidget> readDropControl_;
};
