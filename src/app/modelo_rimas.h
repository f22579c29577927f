#pragma once
// The grid's view of one rhyme result (a tab of results): one column, "Pal".
// Editing a word writes it to the store through the word list.

#include "rhyme/rima.h"

#include "app/modelo_columna.h"

namespace rimario {

class ListaPalabras;

class ModeloRimas : public ModeloColumnaPal {
    Q_OBJECT
public:
    explicit ModeloRimas(ListaPalabras &lista, QObject *parent = nullptr);

    const ResultadoRima &resultado() const { return resultado_; }
    // Replaces the rows shown (the grid shows them from the top).
    void poner(ResultadoRima resultado);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

    int filaActual() const { return actual_; }
    void ponerFilaActual(int fila);

signals:
    void errorAlEscribir(const QString &mensaje);

protected:
    int filaMarcada() const override { return actual_; }

private:
    ListaPalabras &lista_;
    ResultadoRima resultado_;
    int actual_ = -1;
};

} // namespace rimario
