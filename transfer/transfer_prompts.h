// The transfer window's boxes and choosers, behind one seam: the desktop shows real ones;
// tests record what would have been shown and answer for the user.
#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace kvd {

class TransferPrompts {
  public:
    virtual ~TransferPrompts() = default;
    // A modal box captioned "Message" with one OK button. `detail`, when not empty, is the
    // cause of a failure, shown as the box's detailed text.
    virtual void ShowMessage(QWidget* owner, const QString& text, const QString& detail) = 0;
    // ShowMessage with a second button `offer`; true when the user chose it. Without a box
    // of its own it is the plain box, and the offer is not taken.
    virtual bool ShowMessageOffering(QWidget* owner, const QString& text, const QString& detail,
                                     const QString& offer) {
        (void)offer;
        ShowMessage(owner, text, detail);
        return false;
    }
    // Shows the folder in the desktop's file manager.
    virtual void OpenFolder(const QString& folder) { (void)folder; }
    // A modal question captioned "Message" with two buttons; true for `yes`.
    virtual bool Ask(QWidget* owner, const QString& text, const QString& yes,
                     const QString& no) = 0;
    // An existing folder, or none when the user cancelled.
    virtual std::optional<QString> ChooseFolder(QWidget* owner, const QString& title,
                                                const QString& startFolder) = 0;
    // A file to open, or none. `filter` is in Qt's form: "desc (*.EXT)".
    virtual std::optional<QString> ChooseFile(QWidget* owner, const QString& filter,
                                              const QString& startFolder) = 0;
};

// The real boxes and choosers.
class DesktopPrompts final : public TransferPrompts {
  public:
    void ShowMessage(QWidget* owner, const QString& text, const QString& detail) override;
    bool ShowMessageOffering(QWidget* owner, const QString& text, const QString& detail,
                             const QString& offer) override;
    void OpenFolder(const QString& folder) override;
    bool Ask(QWidget* owner, const QString& text, const QString& yes, const QString& no) override;
    std::optional<QString> ChooseFolder(QWidget* owner, const QString& title,
                                        const QString& startFolder) override;
    std::optional<QString> ChooseFile(QWidget* owner, const QString& filter,
                                      const QString& startFolder) override;
};

}  // namespace kvd
