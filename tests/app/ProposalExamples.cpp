#include "ProposalTestSupport.h"

namespace quorvel::testing {

namespace {

ProposalItem Item(int idItem, int numitem, int nuitem, std::string lote, std::string material,
                  std::string descr, std::string espec, std::string qtde, std::string upsigl,
                  std::string updesc) {
    ProposalItem item;
    item.idItem = idItem;
    item.numitem = numitem;
    item.nuitem = nuitem;
    item.descrLote = std::move(lote);
    item.material = std::move(material);
    item.descrItem = std::move(descr);
    item.complDescr = std::move(espec);
    item.qtde = std::move(qtde);
    item.upsigl = std::move(upsigl);
    item.updesc = std::move(updesc);
    return item;
}

// An auction of the examples' year and kind ("PE"), without items yet.
Proposal Auction(std::string tipoprega, std::string unges, int convit) {
    Proposal p;
    p.tipoprega = std::move(tipoprega);
    p.unges = std::move(unges);
    p.sigla = "PE";
    p.convit = convit;
    p.anoc = "2026";
    return p;
}

} // namespace

Proposal ItemExample() {
    Proposal p = Auction("M", "12", 137);
    p.itens = {
        Item(1, 10, 1, "", "0401.0032", "Papel sulfite A4, 75 g/m², branco, resma com 500 folhas",
             "Papel alcalino para impressão laser e jato de tinta.\r\nFormato 210 × 297 mm, gramatura 75 "
             "g/m².\r\n"
             "Embalagem: resma com 500 folhas, caixa com 10 resmas.",
             "400.000", "RM", "RESMA"),
        Item(2, 20, 2, "", "0401.0118", "Caneta esferográfica azul, ponta média de 1,0 mm",
             "Corpo sextavado transparente, tampa e tampão na cor da tinta.\r\nCarga removível, escrita "
             "mínima de 1.700 metros.",
             "1500.000", "UN", "UNIDADE"),
        Item(3, 30, 3, "", "0401.0215", "Grampeador de mesa, capacidade para 25 folhas",
             "Estrutura metálica com pintura epóxi, base emborrachada antiderrapante.\r\nUtiliza grampos "
             "26/6.",
             "35.000", "UN", "UNIDADE"),
        Item(
            4, 40, 4, "", "0502.0007", "Álcool etílico hidratado 70% INPM, frasco de 1 litro",
            "Solução para antissepsia e limpeza de superfícies.\r\nRegistro na ANVISA; validade mínima de 12 "
            "meses na entrega.",
            "240.000", "FR", "FRASCO"),
        Item(5, 50, 5, "", "0502.0044", "Sabão líquido neutro para limpeza geral, galão de 5 litros",
             "Biodegradável, pH neutro, sem fragrância.\r\nGalão com alça e lacre de segurança.", "60.000",
             "GL", "GALÃO"),
        Item(6, 60, 6, "", "0703.0190", "Cadeira giratória com braços reguláveis e apoio lombar",
             "Assento e encosto em espuma injetada de 50 mm, revestimento em tecido.\r\nBase giratória de 5 "
             "hastes com rodízios de náilon.\r\nConforme norma ABNT NBR 13962.",
             "12.000", "UN", "UNIDADE"),
        Item(7, 70, 7, "", "0805.0021", "Café torrado e moído, embalagem a vácuo de 500 g",
             "Tipo tradicional, 100% arábica, com Selo de Pureza.\r\nData de fabricação não superior a 30 "
             "dias "
             "na entrega.",
             "180.000", "PC", "PACOTE"),
        Item(8, 80, 8, "", "0805.0102", "Açúcar cristal, pacote de 5 kg",
             "Sacarose de cana-de-açúcar, cor branca, sem impurezas.", "90.000", "PC", "PACOTE"),
    };
    return p;
}

Proposal LotExample() {
    Proposal p = Auction("L", "07", 58);
    const std::string escritorio = "Material de escritório e expediente";
    const std::string limpeza = "Material de limpeza e higienização";
    const std::string informatica = "Equipamentos e acessórios de informática";
    p.itens = {
        Item(1, 1, 1, escritorio, "0401.0032", "Papel sulfite A4, 75 g/m², branco, resma com 500 folhas",
             "Papel alcalino para impressão laser e jato de tinta.\r\nFormato 210 × 297 mm.", "250.000", "RM",
             "RESMA"),
        Item(1, 2, 2, escritorio, "0401.0118", "Caneta esferográfica azul, ponta média de 1,0 mm",
             "Corpo sextavado transparente.\r\nCarga removível, escrita mínima de 1.700 metros.", "800.000",
             "UN", "UNIDADE"),
        Item(1, 3, 3, escritorio, "0401.0301", "Pasta suspensa em cartão marmorizado, com visor e etiqueta",
             "Hastes plásticas, ponteiras arredondadas.\r\nCaixa com 50 unidades.", "40.000", "CX", "CAIXA"),
        Item(2, 4, 1, limpeza, "0502.0007", "Álcool etílico hidratado 70% INPM, frasco de 1 litro",
             "Solução para antissepsia de superfícies.\r\nRegistro na ANVISA.", "300.000", "FR", "FRASCO"),
        Item(2, 5, 2, limpeza, "0502.0044", "Sabão líquido neutro para limpeza geral, galão de 5 litros",
             "Biodegradável, pH neutro.\r\nGalão com alça e lacre de segurança.", "75.000", "GL", "GALÃO"),
        Item(2, 6, 3, limpeza, "0502.0090", "Saco para lixo de 100 litros, reforçado, cor preta",
             "Polietileno de baixa densidade, espessura mínima de 0,08 mm.\r\nPacote com 100 unidades.",
             "120.000", "PC", "PACOTE"),
        Item(2, 7, 4, limpeza, "0502.0133", "Papel toalha interfolhado, duas dobras, 100% celulose",
             "Medidas 23 × 21 cm, cor branca.\r\nFardo com 1.000 folhas.", "200.000", "FD", "FARDO"),
        Item(3, 8, 1, informatica, "0906.0012", "Mouse óptico com fio, conexão USB, 1.000 dpi",
             "Três botões com rolagem.\r\nCabo de 1,5 m; compatível com os sistemas operacionais em uso.",
             "60.000", "UN", "UNIDADE"),
        Item(3, 9, 2, informatica, "0906.0027", "Teclado padrão ABNT2 com fio, conexão USB",
             "Teclas de perfil baixo com ç e acentuação.\r\nTeclado numérico; cabo de 1,5 m.", "60.000", "UN",
             "UNIDADE"),
        Item(3, 10, 3, informatica, "0906.0150", "Monitor LED de 24 polegadas, resolução Full HD",
             "Entradas HDMI e DisplayPort.\r\nAjuste de altura e inclinação.\r\nGarantia mínima de 36 meses "
             "on-site.",
             "20.000", "UN", "UNIDADE"),
    };
    return p;
}

} // namespace quorvel::testing
