/* What the shop learns from its stations: every finished lookup, and each station's health.
   Added to a company whose station objects are already installed; every statement only adds,
   so running it again on a company that has part of it changes no row of the shop's. */

/* One row per finished lookup. The time is the station's, taken when the lookup finished
   (rows are written in batches, seconds later). RESULTADO:
     E  found by its key            Q  found through an equivalent form
     B  found through a scale label M  misread (a key longer than any code)
     N  not found                   C  article chosen in the catalogue search
   ARTICULO_ID is the article shown, NULL when none was. Nothing about a person is stored. */
CREATE TABLE ZANTOR_LMV_CONSULTAS (
    FECHA_HORA TIMESTAMP NOT NULL,
    ESTACION VARCHAR(60) NOT NULL,
    CLAVE VARCHAR(60) NOT NULL,
    RESULTADO CHAR(1) NOT NULL,
    ARTICULO_ID INTEGER
);

/* The reports read a period; the retention deletes by age. */
CREATE DESCENDING INDEX ZANTOR_LMV_CONSULTAS_FECHA ON ZANTOR_LMV_CONSULTAS (FECHA_HORA);

/* One row per station, written only by that station. LATIDO is the server's time of its last
   heartbeat, so stations whose clocks differ still compare. */
CREATE TABLE ZANTOR_LMV_ESTACIONES (
    ESTACION VARCHAR(60) NOT NULL PRIMARY KEY,
    HOST VARCHAR(255),
    VERSION_PROGRAMA VARCHAR(30),
    EMPRESA VARCHAR(100),
    INICIO TIMESTAMP,
    LATIDO TIMESTAMP,
    ULTIMA_CONSULTA TIMESTAMP,
    ULTIMO_ERROR VARCHAR(200),
    KIOSCO CHAR(1),
    INDICE_LISTO CHAR(1)
);
