#include "report/pagestore/QrprntrOutline.h"

namespace quorvel {

void TQROutline::AddNode(const QString& text, int level, const QRect& rect, int pageNumber) {
    TQROutlineEntry entry{text.left(kMaxTitleLength), level, rect, pageNumber, -1};
    if (nodes_) entry.TreeNode = AddTreeNode(entry.Title, level);
    entries_.push_back(std::move(entry));
}

void TQROutline::Clear() {
    entries_.clear();
    mirror_.clear();
    if (nodes_) nodes_->Clear();
}

void TQROutline::SetTreeNodes(TQROutlineNodes* nodes) {
    nodes_ = nodes;
    UpdateTreeNodes();
}

void TQROutline::UpdateTreeNodes() {
    mirror_.clear();
    for (auto& entry : entries_)
        entry.TreeNode = -1;
    if (!nodes_) return;
    nodes_->Clear();
    for (auto& entry : entries_)
        entry.TreeNode = AddTreeNode(entry.Title, entry.Level);
}

// A new node always lands after every existing node in top-to-bottom order: the node found below is
// the nearest earlier one of a level not above the entry's, so every later node is its descendant.
// An entry with a level below every node's (a negative level) goes to the top level.
int TQROutline::AddTreeNode(const QString& text, int level) {
    MirrorNode node{-1, 0};
    for (int i = static_cast<int>(mirror_.size()) - 1; i >= 0; --i) {
        if (mirror_[i].Depth < level) {
            node = {i, mirror_[i].Depth + 1};
            break;
        }
        if (mirror_[i].Depth == level) {
            node = mirror_[i];
            break;
        }
    }
    nodes_->Add(node.Parent, text);
    mirror_.push_back(node);
    return static_cast<int>(mirror_.size()) - 1;
}

std::optional<TQROutlinePosition> TQROutline::FindPosition(int treeNode) const {
    if (treeNode < 0) return std::nullopt;
    for (const auto& entry : entries_)
        if (entry.TreeNode == treeNode) return TQROutlinePosition{entry.Rect, entry.PageNumber};
    return std::nullopt;
}

} // namespace quorvel
