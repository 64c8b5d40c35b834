#pragma once

#include "store/Packet.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quorvel::bench {

// How a generated proposal file looks: N item rows spread over L lots, with Portuguese texts (accents,
// multi-line item descriptions) and, for a share of the items, the supplier's typed data.
struct ProposalOptions {
    int rows = 1000;
    int lots = 10;             // 0 makes an item-mode auction ("M"), otherwise lot mode ("L")
    double pricedShare = 0.75; // share of rows with a unit price, brand and supplier data
    std::uint32_t seed = 20110429;
};

// The item table as delivered and partly filled in: one current row per item, no change log.
Datapacket GenerateProposal(const ProposalOptions& options);

// The same proposal as the bytes of an XML proposal file (code-page text).
std::string GenerateProposalXml(const ProposalOptions& options);

// Options that make a file of about `bytes` bytes in XML form (about 570 bytes per row).
ProposalOptions OptionsForSize(std::size_t bytes);

} // namespace quorvel::bench
