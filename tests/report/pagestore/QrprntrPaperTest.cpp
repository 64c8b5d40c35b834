#include "report/pagestore/QrprntrPaper.h"
#include "platform/Rounding.h"
#include "report/pagestore/QrprntrSettings.h"

#include <gtest/gtest.h>

#include <set>

namespace quorvel {
namespace {

TEST(QRPaperSize, TableRowsCarryTheirNamesSizesAndDriverCodes) {
    EXPECT_EQ(QRPaperName(TQRPaperSize::Default), QStringLiteral("Default size"));
    EXPECT_EQ(QRPaperName(TQRPaperSize::A4), QStringLiteral("A4 210 x 297 mm"));
    EXPECT_EQ(QRPaperName(TQRPaperSize::Env9), QStringLiteral("Envelope #9 3 7/8 x 8 7/8"));
    EXPECT_EQ(QRPaperName(TQRPaperSize::A4Trans), QStringLiteral("A4 Transverse 297 z 210 mm"));
    EXPECT_EQ(QRPaperName(TQRPaperSize::Reserved2), QStringLiteral("RESERVED--DO NOT USE"));
    EXPECT_EQ(QRPaperName(TQRPaperSize::A3ExtraTrans), QStringLiteral("A3 Extra Transverse 445 z 322 mm"));
    EXPECT_EQ(QRPaperName(TQRPaperSize::Custom), QStringLiteral("Custom Size"));

    EXPECT_EQ(Ordinal(TQRPaperSize::A4), 9);
    EXPECT_EQ(Ordinal(TQRPaperSize::Note), 18);
    EXPECT_EQ(Ordinal(TQRPaperSize::PostcardJap), 43);
    EXPECT_EQ(Ordinal(TQRPaperSize::Custom), 69);

    // Tenths of a millimetre, rounded: Letter is 2159 × 2794, Env9 984 × 2254, A4 2100 × 2970.
    EXPECT_EQ(QRPaperTableWidth(TQRPaperSize::Letter), 2159);
    EXPECT_EQ(QRPaperTableLength(TQRPaperSize::Letter), 2794);
    EXPECT_EQ(QRPaperTableWidth(TQRPaperSize::Env9), 984);
    EXPECT_EQ(QRPaperTableLength(TQRPaperSize::EnvPersonal), 1651);
    EXPECT_EQ(QRPaperTableWidth(TQRPaperSize::A4), 2100);
    EXPECT_EQ(QRPaperTableLength(TQRPaperSize::A4), 2970);
    EXPECT_EQ(QRPaperTableWidth(TQRPaperSize::Default), 0);
    EXPECT_EQ(QRPaperTableLength(TQRPaperSize::Custom), 0);

    // Every size has its own name except the two reserved rows, and every row a driver code that
    // leads back to it.
    std::set<QString> names;
    for (int ordinal = 0; ordinal < kQRPaperSizeCount; ++ordinal) {
        const TQRPaperSize size = PaperSizeFromOrdinal(ordinal);
        EXPECT_EQ(Ordinal(size), ordinal);
        names.insert(QRPaperName(size));
        EXPECT_EQ(QRPaperTranslate(size), ordinal == 69 ? 256 : ordinal);
        if (ordinal > 0) {
            EXPECT_EQ(QRPaperFromCode(QRPaperTranslate(size)), size);
        }
    }
    EXPECT_EQ(names.size(), std::size_t{kQRPaperSizeCount - 1});
    EXPECT_EQ(QRPaperFromCode(69), TQRPaperSize::Default);
    EXPECT_EQ(QRPaperFromCode(-3), TQRPaperSize::Default);
    EXPECT_EQ(PaperSizeFromOrdinal(70), TQRPaperSize::Default);
}

TEST(QRPaperSize, BinCodesLeadToTheFirstBinOfEachCode) {
    EXPECT_EQ(cQRBinTranslate[static_cast<int>(TQRBin::Auto)], 7);
    EXPECT_EQ(QRBinFromCode(1), TQRBin::First);
    EXPECT_EQ(QRBinFromCode(7), TQRBin::Auto);
    EXPECT_EQ(QRBinFromCode(14), TQRBin::Cassette);
    EXPECT_EQ(QRBinFromCode(12), std::nullopt);
    EXPECT_EQ(QRBinFromCode(0), std::nullopt);
}

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(1122.5196), 1123);
    EXPECT_EQ(RoundHalfEven(793.7), 794);
    EXPECT_EQ(RoundHalfEven(37.795), 38);
    EXPECT_EQ(RoundHalfEven(-0.4), 0);
}

} // namespace
} // namespace quorvel
