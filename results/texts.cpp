#include "results/texts.h"

#include <cstdlib>

namespace results {
namespace {

constexpr Texts kEnglish{
    .scheme = "scheme",
    .formal_order = "formal order",
    .quantity = "Quantity",
    .variable = "Variable",
    .mesh = "mesh",
    .value = "value",
    .extrapolated = "extrapolated",
    .convergence = "class",
    .exact = "exact",
    .point = "point",
    .fewer_than_three = "fewer than 3 meshes: no convergence ratio, order or GCI",
    .uncertainty = "Eça-Hoekstra uncertainty",
    .weighted = "weighted",
    .unweighted = "unweighted",
    .no_uncertainty = "no uncertainty estimate",
    .monotonic = "monotonic",
    .divergent = "divergent",
    .oscillatory = "oscillatory",
    .oscillatory_divergent = "oscillatory-divergent",
    .too_few_meshes = "fewer than 4 meshes",
    .grid_independent = "grid-independent (U = 0)",
    .invalid_data = "invalid data",
    .no_fit = "no expansion fits",
    .language_name = "English",
    .report = "Verification report",
    .table = "Table",
    .scheme_heading = "Scheme",
    .class_heading = "Class",
    .flags_heading = "Flags",
    .name = "name",
    .power = "power",
    .estimator = "estimator",
    .per_cent = "in per cent",
    .variable_units = "in the units of the variable",
    .fraction = "fraction",
    .refinement_ratio = "refinement ratio",
    .apparent_order = "apparent order",
    .extrapolated_with = "extrapolated with p",
    .approximate_error = "approximate relative error",
    .extrapolated_error = "extrapolated relative error",
    .asymptotic_ratio = "asymptotic ratio",
    .far_from_one = "far from 1",
    .oscillating_at_mesh = "oscillating triplet ending at mesh",
    .finest_mesh = "on the finest mesh",
    .none = "none",
    .error = "error",
    .exact_order = "exact order",
    .inputs = "Inputs",
    .file = "File",
    .content = "Content",
    .sha256_unreadable = "cannot be read",
    .standard_input = "standard input (its bytes are not kept)",
    .run_input = "the run's input",
    .exact_values = "exact values",
    .solution = "solution",
    .study_table = "the study's table",
    .options = "Options",
    .command_line = "command line",
    .version = "Tavo version",
    .date = "date",
    .safety_factor = "safety factor of the GCI",
    .target_gci = "target GCI",
    .digits = "significant digits",
    .language = "language",
    .summary = "Summary",
    .charts = "Charts",
    .no_charts = "This tavo was built without its charts (Qt SVG): the page has no charts.",
    .references = "References",
    .procedures =
        "The GCI is Roache's grid convergence index as Celik et al. apply it, with the "
        "safety factor above; e_a, e_ext and the extrapolation with the apparent order "
        "follow Celik et al. as well. U is the numerical uncertainty of Eça and "
        "Hoekstra.",
    .window = {.title = "Results", .filter = "&Variable:", .sort_by = "Sort by %2"},
    .chart =
        {
            .values_title = "Value against mesh size h",
            .errors_title = "Error against the exact solution",
            .orders_title = "Apparent order",
            .values_window = "values",
            .low_scheme = "Low-order scheme",
            .high_scheme = "High-order scheme",
            .exact_solution = "Exact solution",
            .value_with_u = "Th ± U (Eça-Hoekstra)",
            .gci_band = "Th ± GCI·|Th|",
            .phi0 = "φ0 = %1 (Eça-Hoekstra, %2)",
            .finest_ti_a = "Ti_a = %1 (finest triplet)",
            .slope = "slope pL = %1",
            .formal_order = "formal order pL = %1",
            .one_omitted = "1 point omitted",
            .omitted = "%1 points omitted",
            .more_schemes = "%1 more schemes not shown",
        },
};

constexpr Texts kPortuguese{
    .scheme = "esquema",
    .formal_order = "ordem formal",
    .quantity = "Grandeza",
    .variable = "Variável",
    .mesh = "malha",
    .value = "valor",
    .extrapolated = "extrapolado",
    .convergence = "classe",
    .exact = "exato",
    .point = "ponto",
    .fewer_than_three = "menos de 3 malhas: sem razão de convergência, ordem nem GCI",
    .uncertainty = "incerteza de Eça-Hoekstra",
    .weighted = "ponderado",
    .unweighted = "não ponderado",
    .no_uncertainty = "sem estimativa de incerteza",
    .monotonic = "monotônica",
    .divergent = "divergente",
    .oscillatory = "oscilatória",
    .oscillatory_divergent = "oscilatória divergente",
    .too_few_meshes = "menos de 4 malhas",
    .grid_independent = "independente da malha (U = 0)",
    .invalid_data = "dados inválidos",
    .no_fit = "nenhuma expansão se ajusta",
    .language_name = "português",
    .report = "Relatório de verificação",
    .table = "Tabela",
    .scheme_heading = "Esquema",
    .class_heading = "Classe",
    .flags_heading = "Alertas",
    .name = "nome",
    .power = "potência",
    .estimator = "estimador",
    .per_cent = "em porcentagem",
    .variable_units = "nas unidades da variável",
    .fraction = "fração",
    .refinement_ratio = "razão de refinamento",
    .apparent_order = "ordem aparente",
    .extrapolated_with = "extrapolado com p",
    .approximate_error = "erro relativo aproximado",
    .extrapolated_error = "erro relativo extrapolado",
    .asymptotic_ratio = "razão assintótica",
    .far_from_one = "longe de 1",
    .oscillating_at_mesh = "tripla oscilante terminada na malha",
    .finest_mesh = "na malha mais fina",
    .none = "nenhum",
    .error = "erro",
    .exact_order = "ordem exata",
    .inputs = "Entradas",
    .file = "Arquivo",
    .content = "Conteúdo",
    .sha256_unreadable = "não pode ser lido",
    .standard_input = "entrada padrão (seus bytes não são guardados)",
    .run_input = "a entrada da execução",
    .exact_values = "valores exatos",
    .solution = "solução",
    .study_table = "a tabela do estudo",
    .options = "Opções",
    .command_line = "linha de comando",
    .version = "versão do Tavo",
    .date = "data",
    .safety_factor = "fator de segurança do GCI",
    .target_gci = "GCI alvo",
    .digits = "algarismos significativos",
    .language = "idioma",
    .summary = "Resumo",
    .charts = "Gráficos",
    .no_charts = "Este tavo foi compilado sem os gráficos (Qt SVG): a página não tem gráficos.",
    .references = "Referências",
    .procedures =
        "O GCI é o índice de convergência de malha de Roache como Celik et al. o "
        "aplicam, com o fator de segurança acima; e_a, e_ext e a extrapolação com a "
        "ordem aparente também seguem Celik et al. U é a incerteza numérica de Eça e "
        "Hoekstra.",
    .window = {.title = "Resultados", .filter = "&Variável:", .sort_by = "Ordenar por %2"},
    .chart =
        {
            .values_title = "Valor em função do tamanho de malha h",
            .errors_title = "Erro em relação à solução exata",
            .orders_title = "Ordem aparente",
            .values_window = "valores",
            .low_scheme = "Esquema de Ordem Baixa",
            .high_scheme = "Esquema de Ordem Alta",
            .exact_solution = "Solução exata",
            .value_with_u = "Th ± U (Eça-Hoekstra)",
            .gci_band = "Th ± GCI·|Th|",
            .phi0 = "φ0 = %1 (Eça-Hoekstra, %2)",
            .finest_ti_a = "Ti_a = %1 (tripleto mais fino)",
            .slope = "inclinação pL = %1",
            .formal_order = "ordem assintótica pL = %1",
            .one_omitted = "1 ponto omitido",
            .omitted = "%1 pontos omitidos",
            .more_schemes = "mais %1 esquemas não mostrados",
        },
};

}  // namespace

std::optional<Language> language_named(std::string_view name) {
  if (name == "en") return Language::English;
  if (name == "pt") return Language::Portuguese;
  return std::nullopt;
}

Language language_from_environment() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0') continue;
    return std::string_view(value).substr(0, 2) == "pt" ? Language::Portuguese : Language::English;
  }
  return Language::English;
}

const Texts& texts(Language language) {
  return language == Language::Portuguese ? kPortuguese : kEnglish;
}

std::string_view convergence_text(Convergence c, const Texts& t) {
  switch (c) {
    case Convergence::Monotonic:
      return t.monotonic;
    case Convergence::Divergent:
      return t.divergent;
    case Convergence::Oscillatory:
      return t.oscillatory;
    case Convergence::OscillatoryDivergent:
      return t.oscillatory_divergent;
    case Convergence::None:
      break;
  }
  return {};
}

std::string_view outcome_text(UncertaintyOutcome o, const Texts& t) {
  switch (o) {
    case UncertaintyOutcome::TooFewMeshes:
      return t.too_few_meshes;
    case UncertaintyOutcome::GridIndependent:
      return t.grid_independent;
    case UncertaintyOutcome::InvalidData:
      return t.invalid_data;
    case UncertaintyOutcome::NoFit:
      return t.no_fit;
    case UncertaintyOutcome::Estimated:
      break;
  }
  return {};
}

std::string_view expansion_text(Expansion e, const Texts& t) {
  switch (e) {
    case Expansion::Power:
      return t.power;
    case Expansion::H:
      return "h";
    case Expansion::H2:
      return "h²";
    case Expansion::HPlusH2:
      return "h + h²";
  }
  return {};
}

}  // namespace results
