#pragma once
// The times of every action of every clerk, by action, and their percentiles. Each thread of
// the bench writes its own Medidas; they are joined at the end of a run.

#include <map>
#include <string>
#include <vector>

namespace clerks {

class Medidas {
public:
    void anota(const std::string& acao, double ms) { tempos_[acao].push_back(ms); }
    void falha(const std::string& acao, const std::string& motivo);
    void junta(const Medidas& outra);

    struct Resumo {
        std::size_t n = 0;
        double p50 = 0, p99 = 0, maximo = 0;
    };
    // Nearest-rank percentiles of the action's times.
    Resumo resumo(const std::string& acao) const;
    std::vector<std::string> acoes() const;
    const std::map<std::string, int>& falhas() const { return falhas_; }
    const std::vector<std::string>& motivos() const { return motivos_; }

private:
    std::map<std::string, std::vector<double>> tempos_;
    std::map<std::string, int> falhas_;
    std::vector<std::string> motivos_; // the first few, to be shown
};

} // namespace clerks
