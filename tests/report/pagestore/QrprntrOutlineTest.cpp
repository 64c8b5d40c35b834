#include "report/pagestore/QrprntrOutline.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

// Records the nodes a tree view would get, as "parent:text".
class RecordingNodes : public TQROutlineNodes {
public:
    void Clear() override { nodes.clear(); }
    void Add(int parent, const QString& text) override {
        nodes.push_back(QString::number(parent) + ':' + text);
    }
    QStringList nodes;
};

TEST(Outline, EntriesNestUnderTheNearestLowerLevel) {
    TQROutline outline;
    outline.AddNode("Lote 1", 0, QRect(0, 10, 100, 20), 1);
    outline.AddNode("Item 1", 1, QRect(0, 30, 100, 20), 1);
    outline.AddNode("Item 2", 1, QRect(0, 50, 100, 20), 2);
    outline.AddNode("Detalhe", 3, QRect(0, 70, 100, 20), 2);
    outline.AddNode("Item 3", 2, QRect(0, 90, 100, 20), 3);
    outline.AddNode("Lote 2", 0, QRect(0, 10, 100, 20), 4);

    RecordingNodes nodes;
    outline.SetTreeNodes(&nodes); // built from the entries already there
    const QStringList expected = {"-1:Lote 1", "0:Item 1", "0:Item 2", "2:Detalhe", "2:Item 3", "-1:Lote 2"};
    EXPECT_EQ(nodes.nodes, expected);

    // Added while attached: same rules.
    outline.AddNode("Item 4", 1, QRect(0, 30, 100, 20), 4);
    outline.AddNode("Item 5", 1, QRect(0, 50, 100, 20), 5);
    EXPECT_EQ(nodes.nodes.mid(6), QStringList({"5:Item 4", "5:Item 5"}));

    const auto position = outline.FindPosition(3);
    ASSERT_TRUE(position.has_value());
    EXPECT_EQ(position->PageNumber, 2);
    EXPECT_EQ(position->Rect, QRect(0, 70, 100, 20));
    EXPECT_EQ(outline.FindPosition(7)->PageNumber, 5);
    EXPECT_FALSE(outline.FindPosition(8).has_value());
    EXPECT_FALSE(outline.FindPosition(-1).has_value());

    outline.Clear();
    EXPECT_TRUE(nodes.nodes.isEmpty());
    EXPECT_FALSE(outline.FindPosition(0).has_value());
}

TEST(Outline, TitlesAreCutToFiftyCharacters) {
    TQROutline outline;
    const QString longTitle = QString(60, QChar(u'ç'));
    outline.AddNode(longTitle, 0, QRect(), 1);
    RecordingNodes nodes;
    outline.SetTreeNodes(&nodes);
    EXPECT_EQ(outline.Entries().front().Title, QString(50, QChar(u'ç')));
    EXPECT_EQ(nodes.nodes.front(), "-1:" + QString(50, QChar(u'ç')));
}

} // namespace
} // namespace quorvel
