#pragma once
// A static control: a text (left, centred or right, optionally vertically
// centred and cut with an ellipsis), a bitmap, or an owner-drawn area. It
// asks its parent for colours (WM_CTLCOLORSTATIC) before painting, so a
// parent can paint it on its own background. With kSsNotify it reports
// clicks (STN_CLICKED); otherwise the pointer passes through to the parent.

#include "Control.h"

#include <memory>

namespace vel::gui {

inline constexpr uint32_t kSsLeft = 0x0;
inline constexpr uint32_t kSsCenter = 0x1;
inline constexpr uint32_t kSsRight = 0x2;
inline constexpr uint32_t kSsOwnerDraw = 0xD;
inline constexpr uint32_t kSsBitmap = 0xE;
inline constexpr uint32_t kSsTypeMask = 0x1F;
inline constexpr uint32_t kSsNoPrefix = 0x80;
inline constexpr uint32_t kSsNotify = 0x100;
inline constexpr uint32_t kSsCenterImage = 0x200;
inline constexpr uint32_t kSsEndEllipsis = 0x4000;
inline constexpr uint32_t kSsPathEllipsis = 0x8000;

class Static : public Control
{
public:
    std::u16string_view ClassName() const override { return u"Static"; }
    void SetBitmap(std::shared_ptr<const gfx::Bitmap> bitmap);

protected:
    void OnPaint() override;
    bool OnEraseBkgnd(gfx::Canvas&) override { return true; }
    int OnNcHitTest(Point screen) override;
    void OnLButtonDown(uint32_t keys, Point pt) override;
    void OnLButtonDblClk(uint32_t keys, Point pt) override;
    uint32_t OnGetDlgCode() override { return kDlgcStatic; }
    bool OnMessage(uint32_t message, WParam wp, LParam lp, LResult& result) override;

private:
    std::shared_ptr<const gfx::Bitmap> m_bitmap;
};

} // namespace vel::gui
