#pragma once

#include "platform/Canvas.h"
#include "platform/MetafileWriter.h"

#include <map>
#include <optional>
#include <tuple>

namespace quorvel {

class TMetafile;

// Records what is drawn on it as an enhanced metafile and hands the finished picture to its
// TMetafile when Finish is called or the canvas is destroyed. The picture's Width, Height and
// PixelsPerInch (set before recording) give the frame and the font sizes. Pens, brushes and fonts
// become metafile objects the first time they are used and are selected again when they come back;
// state records are written only when the state changes.
class TMetafileCanvas : public TCanvas {
public:
    explicit TMetafileCanvas(TMetafile& picture);
    ~TMetafileCanvas() override;

    // Ends the recording: restores unmatched saves, deletes the objects, writes the header and the
    // end-of-file record into the picture. Further drawing is ignored.
    void Finish();

protected:
    void DoText(const draw::TextCall& call, QStringView text, std::span<const std::int32_t> advances,
                const QRect& box) override;
    void DoLine(QPoint from, QPoint to) override;
    void DoShape(ShapeKind kind, const TRect& rect, QSize corner) override;
    void DoFillRect(const TRect& rect) override;
    void DoPoly(std::span<const QPoint> points, bool closed) override;
    void DoStretchImage(const TRect& rect, const QImage& image) override;
    void DoStretchPicture(const TRect& rect, const TMetafile& picture) override;
    void DoIntersectClip(const TRect& rect) override;
    void DoResetClip() override;
    void DoSave() override;
    void DoRestore() override;

private:
    // What the picture's device context holds at this point of the recording (unset: not yet written).
    struct DcState {
        std::optional<std::uint32_t> pen, brush, font;
        std::optional<std::uint32_t> textColor, backgroundColor, backgroundMode, textAlign;
        std::optional<QPoint> position;
    };
    using PenKey = std::tuple<std::uint32_t, std::int32_t, std::uint32_t>;
    using BrushKey = std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>;
    using FontKey = std::tuple<QString, int, int, bool, bool, bool, int>;

    std::uint32_t NewHandle();
    void SelectPen();
    void SelectBrush();
    void SelectFont();
    void SelectStock(std::optional<std::uint32_t>& slot, std::uint32_t stock);
    void SetValue(std::optional<std::uint32_t>& slot, std::uint32_t value,
                  void (emf::MetafileWriter::*write)(std::uint32_t));
    void AddBounds(const QRect& rect);
    int PenReach() const;

    TMetafile& picture_;
    emf::MetafileWriter writer_;
    DcState dc_;
    std::vector<DcState> saved_;
    std::map<PenKey, std::uint32_t> pens_;
    std::map<BrushKey, std::uint32_t> brushes_;
    std::map<FontKey, std::uint32_t> fonts_;
    std::uint32_t nextHandle_ = 1;
    std::uint32_t handleCount_ = 1;
    std::optional<QRect> bounds_;
    bool finished_ = false;
};

} // namespace quorvel
