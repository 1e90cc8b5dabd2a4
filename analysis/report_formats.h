// The report's eleven layouts as compiled format records. Position moves, scale factors and data
// edit items take the long form; format start and end, `/`, literals and group marks the short.
#pragma once

#include "recio/format_builder.h"

namespace analysis::formats {

namespace build = recio::build;

// Report file name, date and time, title.
inline constexpr auto kFileDateTitle = build::record(
    build::start(), build::slash(), build::tr(5), build::lit<"arquivo de saída = ">(), build::a(60),
    build::slash(), build::slash(), build::tr(5), build::lit<"Dia = ">(), build::a(12),
    build::tr(5), build::lit<"Hora = ">(), build::a(8), build::slash(), build::slash(),
    build::tr(5), build::lit<"título = ">(), build::a(40), build::end());

// The run's parameters and the exact-results file.
inline constexpr auto kParameters = build::record(
    build::start(), build::slash(), build::i(6), build::lit<" = número de variáveis">(),
    build::slash(), build::i(6), build::lit<" = número de malhas">(), build::slash(),
    build::slash(), build::i(6), build::lit<" = iq; =0, q constante; =1, q variável">(),
    build::slash(), build::i(6), build::lit<" = número máximo de iterações para obter pa">(),
    build::slash(), build::p(1), build::e(30, 19), build::lit<" = tolerância para obter pa">(),
    build::slash(), build::p(1), build::e(30, 19), build::lit<" = limite inferior de pa">(),
    build::slash(), build::p(1), build::e(30, 19), build::lit<" = limite superior de pa">(),
    build::slash(), build::slash(), build::tr(5), build::lit<"arquivo com resultados exatos = ">(),
    build::a(60), build::end());

// The mesh table: its heading, the first mesh, and every further mesh with its ratio.
inline constexpr auto kMeshHeading =
    build::record(build::start(), build::slash(), build::t(2), build::lit<"h">(), build::t(24),
                  build::lit<"q21">(), build::t(42), build::lit<"num. baixa">(), build::t(57),
                  build::lit<"num. alta">(), build::end());
inline constexpr auto kFirstMesh =
    build::record(build::start(), build::p(1), build::e(22, 15), build::tr(16), build::tr(3),
                  build::a(12), build::tr(3), build::a(12), build::end());
inline constexpr auto kOtherMesh =
    build::record(build::start(), build::p(1), build::e(22, 15), build::p(1), build::e(16, 9),
                  build::tr(3), build::a(12), build::tr(3), build::a(12), build::end());

// A variable's heading: name, exact value and the two formal orders.
inline constexpr auto kVariableHeading = build::record(
    build::start(), build::slash(), build::slash(),
    build::lit<"##############################################">(), build::slash(), build::slash(),
    build::slash(), build::tr(5), build::a(80), build::slash(), build::slash(), build::tr(5),
    build::p(1), build::e(30, 19), build::lit<" = solução exata">(), build::slash(), build::tr(5),
    build::p(1), build::e(30, 19), build::lit<" = ordem assintótica do esquema de ordem baixa">(),
    build::slash(), build::tr(5), build::p(1), build::e(30, 19),
    build::lit<" = ordem assintótica do esquema de ordem alta">(), build::end());

// The interval-test table.
inline constexpr auto kIntervalHeading =
    build::record(build::start(), build::slash(), build::t(4), build::lit<"h">(), build::t(15),
                  build::lit<"Tq">(), build::t(38), build::lit<"Uq">(), build::t(65),
                  build::lit<"aplica-se?">(), build::t(79), build::lit<"<Te>">(), build::end());
inline constexpr auto kIntervalLine = build::record(
    build::start(), build::p(1), build::e(11, 2), build::group(2), build::p(1), build::e(23, 14),
    build::group_end(), build::tr(7), build::a(3), build::tr(11), build::a(3), build::end());

// The two schemes' tables.
inline constexpr auto kLowOrderHeading = build::record(
    build::start(), build::slash(), build::t(4), build::lit<"Esquema de Ordem Baixa">(),
    build::slash(), build::t(4), build::lit<"h">(), build::t(15), build::lit<"Th">(), build::t(39),
    build::lit<"Ti_12">(), build::t(63), build::lit<"Ti_a">(), build::end());
inline constexpr auto kHighOrderHeading = build::record(
    build::start(), build::slash(), build::t(4), build::lit<"Esquema de Ordem Alta">(),
    build::slash(), build::t(4), build::lit<"h">(), build::t(15), build::lit<"Th">(), build::t(39),
    build::lit<"Ti_12">(), build::t(63), build::lit<"Ti_a">(), build::end());
inline constexpr auto kSchemeLine =
    build::record(build::start(), build::p(1), build::e(11, 2), build::group(3), build::p(1),
                  build::e(24, 15), build::group_end(), build::end());

}  // namespace analysis::formats
