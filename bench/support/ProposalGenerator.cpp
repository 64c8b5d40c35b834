#include "ProposalGenerator.h"

#include "support/ProposalFields.h"

#include <array>
#include <string_view>

namespace quorvel::bench {
namespace {

// A small deterministic generator (xorshift), so that every platform makes the same file.
class Random {
public:
    explicit Random(std::uint32_t seed)
        : state_(seed == 0 ? 0x9E3779B9u : seed) {}
    std::uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }
    template <class T, size_t N> std::string_view Pick(const std::array<T, N>& list) {
        return list[static_cast<size_t>(Below(static_cast<int>(N)))];
    }
    bool Chance(double p) { return (Next() & 0xFFFFFF) < static_cast<std::uint32_t>(p * 0x1000000); }

private:
    std::uint32_t state_;
};

// Texts in Windows-1252, as proposal files carry them.
constexpr std::array<std::string_view, 24> kProducts = {"Caneta esferogr\xE1"
                                                        "fica",
                                                        "Papel sulfite A4",
                                                        "L\xE1pis preto n\xBA 2",
                                                        "Borracha branca",
                                                        "\xC1lcool et\xEDlico 70%",
                                                        "Luva de procedimento",
                                                        "Seringa descart\xE1vel",
                                                        "Cadeira girat\xF3ria",
                                                        "Mesa de reuni\xE3o",
                                                        "Arquivo de a\xE7o",
                                                        "Detergente l\xEDquido",
                                                        "Sab\xE3o em barra",
                                                        "Caf\xE9 torrado e mo\xED"
                                                        "do",
                                                        "A\xE7\xFA"
                                                        "car cristal",
                                                        "\xC1gua mineral",
                                                        "Copo descart\xE1vel",
                                                        "Grampeador de mesa",
                                                        "Pasta suspensa",
                                                        "Toner para impressora",
                                                        "Cabo de rede",
                                                        "Monitor de v\xED"
                                                        "deo",
                                                        "Teclado padr\xE3o ABNT",
                                                        "Extintor de inc\xEAndio",
                                                        "Lanterna recarreg\xE1vel"};

constexpr std::array<std::string_view, 16> kQualities = {"azul",
                                                         "preta",
                                                         "refor\xE7"
                                                         "ada",
                                                         "com tampa",
                                                         "anat\xF4mica",
                                                         "tamanho m\xE9"
                                                         "dio",
                                                         "ultrafina",
                                                         "de alta resist\xEAncia",
                                                         "at\xF3xica",
                                                         "em polipropileno",
                                                         "cor cinza",
                                                         "com regulagem de altura",
                                                         "embalagem econ\xF4mica",
                                                         "linha profissional",
                                                         "padr\xE3o of\xED"
                                                         "cio",
                                                         "uso hospitalar"};

constexpr std::array<std::string_view, 14> kDetailLines = {
    "Embalagem com identifica\xE7\xE3o do fabricante e n\xFAmero do lote.",
    "Produto em conformidade com as normas da ABNT e do INMETRO.",
    "Validade m\xEDnima de doze meses a partir da entrega.",
    "Material at\xF3xico, resistente a impactos e \xE0 umidade.",
    "Garantia de um ano contra defeitos de fabrica\xE7\xE3o.",
    "Entrega em at\xE9 30 dias ap\xF3s a emiss\xE3o do empenho.",
    "Dimens\xF5"
    "es aproximadas: 30 x 20 x 10 cm; peso at\xE9 2 kg.",
    "Apresentar amostra quando solicitado pelo pregoeiro.",
    "Cor a definir pela unidade requisitante (azul ou cinza).",
    "Caixa com 50 unidades, lacrada e sem avarias.",
    "Composi\xE7\xE3o: 100% polipropileno; n\xE3o reciclado.",
    "Atender \xE0s especifica\xE7\xF5"
    "es do termo de refer\xEAncia.",
    "Marca e modelo devem ser informados na proposta.",
    "Assist\xEAncia t\xE9"
    "cnica no estado, com atendimento em 48 h."};

constexpr std::array<std::string_view, 8> kLotNames = {"Material de escrit\xF3rio",
                                                       "Material de limpeza",
                                                       "G\xEAneros aliment\xED"
                                                       "cios",
                                                       "Material hospitalar",
                                                       "Mobili\xE1rio",
                                                       "Inform\xE1tica",
                                                       "Seguran\xE7"
                                                       "a",
                                                       "Copa e cozinha"};

struct Unit {
    std::string_view code;
    std::string_view description;
};
constexpr std::array<Unit, 7> kUnits = {{{"UN", "Unidade"},
                                         {"CX", "Caixa"},
                                         {"PC", "Pacote"},
                                         {"KG", "Quilograma"},
                                         {"LT", "Litro"},
                                         {"RS", "Resma"},
                                         {"FR", "Frasco"}}};

constexpr std::array<std::string_view, 8> kBrands = {"Faber",  "Tilibra",    "Jandaia",  "Yp\xEA",
                                                     "Nativa", "Multilaser", "Pil\xE3o", "Descarpack"};

} // namespace

Datapacket GenerateProposal(const ProposalOptions& options) {
    Random rnd(options.seed);
    Datapacket packet;
    packet.fields = testing::ProposalItemFields();
    const int rows = options.rows > 0 ? options.rows : 0;
    const int lots = options.lots > 0 ? options.lots : 0;
    const std::string mode = lots > 0 ? "L" : "M";
    std::vector<std::string> lotNames;
    for (int l = 0; l < (lots > 0 ? lots : 1); ++l)
        lotNames.push_back("Lote " + std::to_string(l + 1) + " - " + std::string(rnd.Pick(kLotNames)));
    packet.rows.reserve(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r) {
        std::vector<FieldValue> v(packet.fields.size());
        // In 64 bits: 200,000 rows times 20,000 lots do not fit in an int.
        const int lot = lots > 0 ? static_cast<int>(std::int64_t{r} * lots / (rows > 0 ? rows : 1)) : 0;
        v[0] = std::int64_t{lots > 0 ? lot + 1 : r + 1};
        v[1] = std::string("01");
        v[2] = std::string("PE");
        v[3] = std::int64_t{117};
        v[4] = std::string("2011");
        v[5] = std::int64_t{r + 1};
        v[6] = lotNames[static_cast<size_t>(lot)];
        v[7] = std::to_string(100000 + rnd.Below(900000));
        v[8] = std::string(rnd.Pick(kProducts)) + " " + std::string(rnd.Pick(kQualities)) + ", " +
               std::string(rnd.Pick(kQualities));
        std::string details;
        const int lines = 2 + rnd.Below(3);
        for (int k = 0; k < lines; ++k) {
            if (k) details += "\r\n";
            details += rnd.Pick(kDetailLines);
        }
        v[9] = std::move(details);
        const Unit& unit = kUnits[static_cast<size_t>(rnd.Below(static_cast<int>(kUnits.size())))];
        v[12] = mode;
        v[16] = std::int64_t{r + 1};
        const std::int64_t qtde = (1 + rnd.Below(500)) * 1000;
        v[17] = TDecimal::FromUnits(qtde, 3);
        v[19] = std::string(unit.code);
        v[20] = std::string(unit.description);
        if (rnd.Chance(options.pricedShare)) {
            const std::int64_t price = 100 + rnd.Below(5000000); // 0.0100 .. 500.0099
            v[18] = TDecimal::FromUnits(price, 4);
            v[10] = TDecimal::FromUnits(price, 4);
            v[11] = std::string(rnd.Pick(kBrands));
            v[13] = std::string("Com\xE9rcio de Materiais S\xE3o Jo\xE3o Ltda.");
            v[14] = std::string("S\xC3O JO\xC3O");
            v[15] = std::string("1");
        }
        packet.rows.push_back(PacketRow{0, RowValues(std::move(v))});
    }
    return packet;
}

std::string GenerateProposalXml(const ProposalOptions& options) {
    return WriteDatapacketXml(GenerateProposal(options));
}

ProposalOptions OptionsForSize(std::size_t bytes) {
    ProposalOptions options;
    options.rows = static_cast<int>(bytes / 570);
    options.lots = options.rows / 50 > 0 ? options.rows / 50 : 1;
    return options;
}

} // namespace quorvel::bench
