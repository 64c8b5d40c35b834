#pragma once

#include <QRect>
#include <QString>

#include <optional>
#include <vector>

namespace quorvel {

// The node collection of a tree view that mirrors an outline (the preview's outline pane). Nodes
// are numbered 0, 1, 2 … in the order they are added, which is also their top-to-bottom order.
class TQROutlineNodes {
public:
    virtual ~TQROutlineNodes() = default;
    virtual void Clear() = 0;
    // Adds a node as the last child of parent, or at the top level when parent is -1.
    virtual void Add(int parent, const QString& text) = 0;
};

struct TQROutlineEntry {
    QString Title;
    int Level = 0;
    QRect Rect;
    int PageNumber = 0;
    int TreeNode = -1; // the mirroring node, -1 when no tree view is attached
};

struct TQROutlinePosition {
    QRect Rect;
    int PageNumber = 0;
};

// The outline entries of a document (titles with a level, a page and a place on it) and, when a
// tree view is attached, the tree that shows them: an entry goes under the nearest earlier node of
// a lower level, or beside the nearest earlier node of its own level.
class TQROutline {
public:
    static constexpr int kMaxTitleLength = 50;

    void AddNode(const QString& text, int level, const QRect& rect, int pageNumber);
    void Clear();
    // Attaches a tree view's nodes (none to detach) and rebuilds them from the entries.
    void SetTreeNodes(TQROutlineNodes* nodes);
    void UpdateTreeNodes();
    // The place of the entry shown by a tree node, none for a node of no entry.
    std::optional<TQROutlinePosition> FindPosition(int treeNode) const;

    const std::vector<TQROutlineEntry>& Entries() const { return entries_; }

private:
    int AddTreeNode(const QString& text, int level);

    struct MirrorNode {
        int Parent;
        int Depth;
    };

    std::vector<TQROutlineEntry> entries_;
    TQROutlineNodes* nodes_ = nullptr;
    std::vector<MirrorNode> mirror_;
};

} // namespace quorvel
