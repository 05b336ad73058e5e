#pragma once

#include <QString>

// The connection data of the run: filled by the login (all but Empresa) and the company
// selection (Empresa), read when any connection is opened.
struct DatosConexion {
    QString TipoAcceso; // "0" remote; anything else local
    QString Servidor;
    QString CarpetaDatos; // normally ends in a separator
    QString ProtocoloRed; // "0" TCP/IP, "1" NetBEUI, "2" SPX
    QString RutaMostrada;
    QString RutaSistema;
    QString Usuario; // upper case
    QString Contrasena;
    QString Empresa;
};

// What the login and the company choice leave for the start-up.
struct Sesion {
    DatosConexion datos;
    bool LoginCorrecto = false;
    bool EmpresaSeleccionada = false;
    // The name of the catalogue connection the login used (for the automatic start).
    QString Conexion;
    // One line the login window shows above its fields: why a stored automatic start was not used.
    QString AvisoLogin;
};
