#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

class QThread;
class EscritorBitacora;

// What the company learns from its stations, written by each station for itself: one row per
// finished lookup in ZANTOR_LMV_CONSULTAS and the station's own row in ZANTOR_LMV_ESTACIONES (its
// heartbeat), plus the daily clean-up of rows older than the retention.
//
// The window thread only queues: a lookup's row goes into a bounded queue in memory (beyond the
// bound the oldest are dropped and counted in the log), and every few seconds a thread of the log's
// own writes what is queued on an attachment of its own, in one transaction per batch through one
// prepared statement. A write that fails (the server killed, a network gone) keeps its rows for the
// next attempt and tells the log; a server that stops answering holds only that thread. Nothing
// here opens a box, and nothing is written or attached while the log is off.
class Bitacora : public QObject {
    Q_OBJECT
public:
    // RESULTADO of a row.
    static constexpr char kExacta = 'E';   // found by its key
    static constexpr char kForma = 'Q';    // found through an equivalent form of the code
    static constexpr char kEtiqueta = 'B'; // found through a scale label
    static constexpr char kMalLeida = 'M'; // a misread, or a key longer than any code
    static constexpr char kNoExiste = 'N'; // nothing found
    static constexpr char kCatalogo = 'C'; // the article chosen in the catalogue search
    static constexpr int kLargoClave = 60; // CLAVE is VARCHAR(60)

    struct Opciones {
        int limite = 10000;        // rows waiting at most
        int escrituraMs = 3000;    // a batch at most this often
        int latidoMs = 30000;      // the heartbeat's period
        int loteDepuracion = 1000; // rows per delete of the clean-up, each its own transaction
    };

    // Where the log writes and what the heartbeat says of the station.
    struct Estacion {
        QStringList parametros; // the company's connection parameters
        QString nombre;         // ESTACION: the row's key, config.xml's station name
        QString host;
        QString version;
        QString empresa;
        bool kiosco = false;
        bool operator==(const Estacion&) const = default;
    };

    explicit Bitacora(QObject* parent = nullptr);
    explicit Bitacora(const Opciones& opciones, QObject* parent = nullptr);
    // Rows still queued get one last attempt, waited for briefly; a thread the server holds is let go.
    ~Bitacora() override;

    // The log on for this station and company, keeping `dias` days of rows: the heartbeat is
    // written at once and then every period. Another company or station drops what was queued
    // for the one before.
    void activar(const Estacion& estacion, int dias);
    // The log off: the queue is dropped, the timers stop and the attachment is closed.
    void desactivar();
    bool activa() const noexcept { return m_activa; }
    const Estacion& estacion() const noexcept { return m_estacion; }

    // A finished lookup, stamped with the station's clock now: nothing when the log is off. The key
    // is kept whole up to kLargoClave characters; a character the database's character set lacks
    // becomes '?'. `articuloId` is the article shown, none when none was.
    void registrar(char resultado, const QString& clave, std::optional<int> articuloId = std::nullopt);
    // The last failure the display showed, in its own words: the next heartbeat carries it.
    void setUltimoError(const QString& texto) { m_ultimoError = texto; }
    // Whether the catalogue's index is ready, asked on this thread before each heartbeat.
    void setIndiceListo(std::function<bool()> listo) { m_indiceListo = std::move(listo); }

    // A batch and a heartbeat now instead of at the next tick.
    void escribirAhora();
    void latirAhora();

    // Rows queued and not yet committed; rows dropped for the bound since the start.
    int enEspera() const;
    qint64 descartadas() const;
    // The writer is inside a call to the server (a silent server keeps it there).
    bool ocupada() const;

signals:
    void escritas(int filas); // a batch was committed
    void latido();            // the station's row was written
    // The day's clean-up was tried: this station claimed it and deleted `filas` rows, or another
    // station had claimed the day already.
    void depuracion(bool reclamada, int filas);
    void falla(const QString& detalle); // a write failed (the engine's words); its rows wait

public:
    struct Compartido;

private:
    // Ends the writer's thread after its current call; at the program's end (alSalir) with one last
    // batch, waited for briefly.
    void detener(bool alSalir);

    Opciones m_opciones;
    std::shared_ptr<Compartido> m_c;
    QThread* m_hilo = nullptr;
    EscritorBitacora* m_escritor = nullptr;
    QTimer m_escritura;
    QTimer m_latido;
    Estacion m_estacion;
    int m_dias = 0;
    bool m_activa = false;
    QDateTime m_inicio;
    QDateTime m_ultimaConsulta;
    QString m_ultimoError;
    std::function<bool()> m_indiceListo;
};
