#include "Articulos.h"

#include <random>

namespace demo {
namespace {

constexpr int kAlmacenMatriz = 19;
constexpr int kBodegaNorte = 20;
constexpr int kRolCodigoBarras = 17;
constexpr int kRolPrincipal = 18;
constexpr int kRolProveedor = 19;

struct Presentacion {
    const char* texto;
    const char* unidadVenta;
    const char* unidadCompra;
    int contenido;
    int factor; // percentage of the family's base price
    bool granel;
};

struct Familia {
    int linea;
    const char* prefijo;
    int centavosMin;
    int centavosMax;
    std::vector<const char*> bases;
    std::vector<Presentacion> presentaciones;
    bool combo;
};

const std::vector<const char*> kMarcas = {
    "La Huerta",   "Don Chencho", "El Molinito", "Santa Lucía",  "Campo Real", "Doña Lupe",
    "Tres Valles", "La Pradera",  "Sierra Azul", "Rancho Viejo", "Los Álamos", "El Girasol",
};

const std::vector<Familia>& familias()
{
    // clang-format off
    static const std::vector<Familia> lista = {
        {1, "ABA", 1800, 6500,
         {"Frijol negro", "Frijol bayo", "Arroz súper extra", "Lenteja", "Garbanzo", "Harina de maíz",
          "Harina de trigo", "Azúcar morena", "Avena en hojuelas", "Café molido", "Chocolate de mesa",
          "Mermelada de fresa", "Miel de abeja", "Puré de tomate", "Chiles jalapeños en escabeche",
          "Chiles chipotles adobados", "Atún en agua", "Sardinas en salsa de tomate", "Elote amarillo",
          "Consomé de pollo", "Pasta para sopa fideo", "Aceite vegetal"},
         {{"500 g", "PZA", "CAJA", 20, 100, false},
          {"1 kg", "PZA", "CAJA", 10, 180, false},
          {"a granel", "KG", "BULTO", 25, 160, true}},
         false},
        {2, "BEB", 900, 2800,
         {"Refresco de naranja", "Refresco de toronja", "Refresco de limón", "Agua mineral", "Agua natural",
          "Jugo de mango", "Néctar de durazno", "Bebida de horchata", "Té helado de limón", "Jugo de manzana",
          "Agua de jamaica"},
         {{"355 ml", "PZA", "PAQUETE", 12, 100, false},
          {"600 ml", "PZA", "PAQUETE", 12, 140, false},
          {"2 L", "PZA", "PAQUETE", 8, 260, false}},
         true},
        {3, "DUL", 300, 2500,
         {"Paleta de cajeta", "Mazapán de cacahuate", "Chicle de menta", "Gomitas enchiladas",
          "Chocolate con almendras", "Caramelo macizo", "Obleas de cajeta", "Dulce de leche quemada",
          "Alegría de amaranto", "Palanqueta de cacahuate", "Tamarindo con chile", "Cocada", "Jamoncillo"},
         {{"", "PZA", "BOLSA", 50, 100, false},
          {"bolsa de 20 piezas", "PZA", "CAJA", 12, 1500, false}},
         false},
        {4, "PAP", 500, 9000,
         {"Cuaderno forma francesa 100 hojas", "Cuaderno cuadro chico 100 hojas", "Lápiz adhesivo",
          "Bolígrafo punto fino azul", "Bolígrafo punto mediano negro", "Marcador permanente", "Goma de borrar",
          "Sacapuntas metálico", "Tijeras escolares", "Cinta adhesiva transparente", "Folder tamaño carta",
          "Colores de madera", "Plastilina", "Regla de 30 cm", "Pegamento blanco"},
         {{"", "PZA", "CAJA", 12, 100, false},
          {"paquete de 5", "PZA", "CAJA", 10, 450, false}},
         false},
        {5, "FIE", 800, 25000,
         {"Globo metálico de corazón", "Globos surtidos", "Vela de cumpleaños con número", "Piñata de burrito",
          "Piñata de estrella", "Confeti de colores", "Serpentina", "Platos desechables", "Vasos desechables",
          "Bolsa para dulces", "Gorro de fiesta", "Mantel de plástico", "Silbato de fiesta"},
         {{"", "PZA", "PAQUETE", 10, 100, false},
          {"paquete de 12", "PZA", "CAJA", 6, 1000, false}},
         true},
        {6, "LAC", 1500, 9500,
         {"Leche entera", "Leche deslactosada", "Yogur natural", "Yogur de fresa", "Queso panela",
          "Queso Oaxaca", "Crema ácida", "Mantequilla sin sal", "Requesón", "Leche con chocolate",
          "Queso manchego"},
         {{"", "PZA", "CAJA", 12, 100, false},
          {"familiar", "PZA", "CAJA", 6, 190, false}},
         false},
        {7, "LIM", 1200, 12000,
         {"Detergente en polvo", "Jabón líquido para trastes", "Blanqueador con cloro",
          "Limpiador multiusos de lavanda", "Suavizante de telas", "Fibra para trastes", "Escoba de plástico",
          "Trapeador de algodón", "Bolsas para basura", "Papel higiénico", "Jabón en barra para ropa",
          "Desengrasante para cocina"},
         {{"", "PZA", "CAJA", 12, 100, false},
          {"familiar", "PZA", "CAJA", 6, 230, false}},
         false},
        {8, "BOT", 900, 4500,
         {"Papas fritas con sal", "Papas adobadas", "Cacahuates japoneses", "Cacahuates enchilados",
          "Chicharrón de harina", "Palomitas de mantequilla", "Totopos de maíz", "Pepitas tostadas",
          "Nueces garapiñadas", "Churritos de maíz", "Habas enchiladas"},
         {{"45 g", "PZA", "CAJA", 24, 100, false},
          {"170 g", "PZA", "CAJA", 12, 280, false}},
         true},
        {9, "HIG", 1500, 8500,
         {"Jabón de tocador", "Champú para cabello", "Acondicionador", "Pasta dental", "Cepillo de dientes",
          "Desodorante en barra", "Crema corporal", "Rastrillo desechable", "Toallas húmedas",
          "Gel antibacterial", "Talco para pies"},
         {{"", "PZA", "CAJA", 24, 100, false},
          {"paquete de 3", "PZA", "CAJA", 8, 270, false}},
         false},
    };
    // clang-format on
    return lista;
}

fb::Decimal centavos(std::int64_t valor)
{
    return fb::Decimal{valor, 2};
}

std::int64_t porcentaje(std::int64_t centavosBase, int porCiento)
{
    return (centavosBase * porCiento + 50) / 100;
}

} // namespace

const std::vector<Linea>& LineasNuevas()
{
    static const std::vector<Linea> lineas = {{6, "Lácteos"}, {7, "Limpieza"}, {8, "Botanas"}, {9, "Higiene personal"}};
    return lineas;
}

int DigitoVerificador(const QString& doceDigitos)
{
    int suma = 0;
    for (qsizetype i = 0; i < doceDigitos.size(); ++i)
        suma += doceDigitos.at(i).digitValue() * (i % 2 == 0 ? 1 : 3);
    return (10 - suma % 10) % 10;
}

std::vector<Articulo> GenerarArticulos(int primerId)
{
    std::mt19937 azar(20260);
    const auto entre = [&azar](int desde, int hasta) { return std::uniform_int_distribution<int>(desde, hasta)(azar); };

    std::vector<Articulo> articulos;
    int id = primerId;
    int numeroFamilia = 0;
    for (const Familia& familia : familias()) {
        ++numeroFamilia;
        for (size_t b = 0; b < familia.bases.size(); ++b) {
            const QString marca = QString::fromUtf8(kMarcas[(b + size_t(numeroFamilia) * 5) % kMarcas.size()]);
            const int baseCentavos = entre(familia.centavosMin, familia.centavosMax);
            for (size_t p = 0; p < familia.presentaciones.size(); ++p) {
                const Presentacion& presentacion = familia.presentaciones[p];
                Articulo a;
                a.id = id++;
                a.nombre = QString::fromUtf8(familia.bases[b]) + QLatin1Char(' ') + marca;
                if (*presentacion.texto)
                    a.nombre += QLatin1Char(' ') + QString::fromUtf8(presentacion.texto);
                a.lineaId = familia.linea;
                a.unidadVenta = QString::fromLatin1(presentacion.unidadVenta);
                a.unidadCompra = QString::fromLatin1(presentacion.unidadCompra);
                a.contenido = fb::Decimal{presentacion.contenido, 0};

                const QString doce = QStringLiteral("7504%1").arg(a.id, 8, 10, QLatin1Char('0'));
                a.claves.push_back({doce + QString::number(DigitoVerificador(doce)), kRolCodigoBarras});
                a.claves.push_back(
                    {QStringLiteral("%1-%2").arg(QString::fromLatin1(familia.prefijo)).arg(a.id), kRolPrincipal});
                if (a.id % 3 == 0)
                    a.claves.push_back({QStringLiteral("PRV-%1").arg(10000 + (a.id * 37) % 90000), kRolProveedor});

                // List prices end in 0 or 50 cents, as shops price them.
                std::int64_t lista = porcentaje(baseCentavos, presentacion.factor);
                lista = std::max<std::int64_t>(50, (lista + 25) / 50 * 50);
                a.precioLista = centavos(lista);
                a.precioMayoreo = centavos(porcentaje(lista, 92));
                a.precioDistribuidor = centavos(porcentaje(lista, 95));

                if (presentacion.granel) {
                    a.existencias.push_back({kAlmacenMatriz, fb::Decimal{entre(0, 80000), 3},
                                             QStringLiteral("G-%1").arg(entre(1, 9), 2, 10, QLatin1Char('0'))});
                } else {
                    const int matriz = entre(0, 9) == 0 ? 0 : entre(1, 240);
                    a.existencias.push_back({kAlmacenMatriz, fb::Decimal{matriz, 0},
                                             QStringLiteral("%1-%2-%3")
                                                 .arg(QChar(u'A' + (numeroFamilia - 1)))
                                                 .arg(entre(1, 12), 2, 10, QLatin1Char('0'))
                                                 .arg(entre(1, 6), 2, 10, QLatin1Char('0'))});
                    if (entre(0, 4) < 2)
                        a.existencias.push_back(
                            {kBodegaNorte, fb::Decimal{entre(0, 120), 0},
                             entre(0, 2) == 0 ? QString() : QStringLiteral("N-%1").arg(entre(1, 20))});
                }

                const int compras = entre(0, 6) == 0 ? 0 : entre(1, 3);
                for (int c = 0; c < compras; ++c)
                    a.compras.push_back(QDate(2025, 1, 1).addDays(entre(0, 364)));

                a.politicaVolumen = !presentacion.granel && entre(0, 3) == 0;
                a.enCombo = familia.combo && entre(0, 2) == 0;
                articulos.push_back(std::move(a));
            }
        }
    }
    return articulos;
}

} // namespace demo
