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
    .charts =
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
    .charts =
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

}  // namespace results
