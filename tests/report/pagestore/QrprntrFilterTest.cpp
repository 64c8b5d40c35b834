#include "report/pagestore/QrprntrFilter.h"

#include <gtest/gtest.h>

using namespace quorvel;

namespace {

class TPlainFilter : public TQRExportFilter {
public:
    using TQRExportFilter::TQRExportFilter;
    static QString ClassName() { return QStringLiteral("TPlainFilter"); }
    QString GetFilterName() const override { return QStringLiteral("Plain text"); }
    QString GetExtension() const override { return QStringLiteral("TXT"); }
};

class TSheetFilter : public TQRExportFilter {
public:
    using TQRExportFilter::TQRExportFilter;
    static QString ClassName() { return QStringLiteral("TSheetFilter"); }
    QString GetFilterName() const override { return QStringLiteral("Sheet"); }
    QString GetExtension() const override { return QStringLiteral("XLS"); }
};

// Same filter name as TPlainFilter under another class name.
class TPlainTwinFilter : public TPlainFilter {
public:
    using TPlainFilter::TPlainFilter;
    static QString ClassName() { return QStringLiteral("TPlainTwinFilter"); }
};

class TUnregisteredFilter : public TQRExportFilter {
public:
    using TQRExportFilter::TQRExportFilter;
    static QString ClassName() { return QStringLiteral("TUnregisteredFilter"); }
    QString GetFilterName() const override { return QStringLiteral("plain text"); }
};

} // namespace

TEST(ExportFilterBase, DefaultsAndStartedFollowStartAndFinish) {
    auto filter = ExportFilterClass<TQRExportFilter>().Create(QStringLiteral("/tmp/out.x"));
    EXPECT_EQ(filter->TargetFile(), "/tmp/out.x");
    EXPECT_EQ(filter->GetDescription(), "Abstract non-working export filter");
    EXPECT_EQ(filter->GetFilterName(), "Abstract filter");
    EXPECT_EQ(filter->GetExtension(), "");
    EXPECT_FALSE(filter->GetStreaming());
    EXPECT_EQ(filter->Report(), nullptr);
    EXPECT_FALSE(filter->Started());
    filter->Start(2100, 2970, TFont());
    EXPECT_TRUE(filter->Started());
    filter->EndPage();
    filter->NewPage();
    filter->TextOut(10, 10, TFont(), clWhite, TAlignment::taLeftJustify, QStringLiteral("x"));
    EXPECT_TRUE(filter->Started());
    filter->Finish();
    EXPECT_FALSE(filter->Started());
}

TEST(ExportFilterLibrary, ListsEntriesInOrderOnceAndBuildsTheDialogFilter) {
    TQRExportFilterLibrary library;
    EXPECT_EQ(library.GetSaveDialogFilter(), "Tessaly file(*.QRP)|*.QRP");
    EXPECT_EQ(library.EntryForDialogIndex(1), nullptr);
    EXPECT_EQ(library.EntryForDialogIndex(2), nullptr);

    library.AddFilter(ExportFilterClass<TPlainFilter>());
    library.AddFilter(ExportFilterClass<TSheetFilter>());
    library.AddFilter(ExportFilterClass<TPlainFilter>());
    ASSERT_EQ(library.Filters().size(), 2u);
    EXPECT_EQ(library.GetSaveDialogFilter(),
              "Tessaly file(*.QRP)|*.QRP|Plain text (*.TXT)|*.TXT|Sheet (*.XLS)|*.XLS");
    EXPECT_EQ(library.EntryForDialogIndex(2)->FilterName, "Plain text");
    EXPECT_EQ(library.EntryForDialogIndex(3)->ExportFilterClass, &ExportFilterClass<TSheetFilter>());
    EXPECT_EQ(library.EntryForDialogIndex(4), nullptr);

    // The class record makes working instances of its class.
    auto made = library.EntryForDialogIndex(3)->ExportFilterClass->Create(QStringLiteral("a.xls"));
    EXPECT_EQ(made->GetExtension(), "XLS");
    EXPECT_EQ(made->TargetFile(), "a.xls");

    // Removal goes by exact filter name: another case removes nothing; a twin class with the same
    // name removes the first entry carrying it.
    library.RemoveFilter(ExportFilterClass<TUnregisteredFilter>());
    EXPECT_EQ(library.Filters().size(), 2u);
    library.RemoveFilter(ExportFilterClass<TPlainTwinFilter>());
    ASSERT_EQ(library.Filters().size(), 1u);
    EXPECT_EQ(library.Filters()[0].FilterName, "Sheet");
    library.RemoveFilter(ExportFilterClass<TSheetFilter>());
    EXPECT_EQ(library.GetSaveDialogFilter(), "Tessaly file(*.QRP)|*.QRP");
}

TEST(ExportFilterLibrary, ProcessWideRegistryIsOneObject) {
    EXPECT_EQ(&QRExportFilterLibrary(), &QRExportFilterLibrary());
}
