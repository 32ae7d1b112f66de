#pragma once
// TfrmBase: the root of the module's windows. It owns the one-byte show-modal flag the entry's
// after-create hook reads (1: shown modally, 0: modelessly) and centres itself on the screen
// when shown.
#include "platform/Form.h"

#include <memory>

class TfrmBase : public TForm {
    Q_OBJECT
public:
    static const TClassInfo ClassInfo;
    explicit TfrmBase(const TComponentOwner &owner);
    ~TfrmBase() override;

    uint8_t *FShowModal() const { return showModal_.get(); }
    const uint8_t *ShowModalFlag() const override { return showModal_.get(); }

    // Top = (screen height - height) div 2, then left = (screen width - width) div 2, on the
    // whole screen of the current screen object.
    void CenterOnScreen();
    static QPoint CenteredTopLeft(int screenWidth, int screenHeight, int width, int height);

protected:
    void FormCreate() override;
    void FormDestroy() override;
    void FormShow() override;
    void HandlerFailed() override;

private:
    std::unique_ptr<uint8_t> showModal_;
};
