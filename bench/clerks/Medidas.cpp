#include "Medidas.h"

#include <algorithm>
#include <cmath>

namespace clerks {

void Medidas::falha(const std::string& acao, const std::string& motivo) {
    ++falhas_[acao];
    if (motivos_.size() < 5)
        motivos_.push_back(acao + ": " + motivo);
}

void Medidas::junta(const Medidas& outra) {
    for (const auto& [acao, tempos] : outra.tempos_)
        tempos_[acao].insert(tempos_[acao].end(), tempos.begin(), tempos.end());
    for (const auto& [acao, n] : outra.falhas_)
        falhas_[acao] += n;
    for (const std::string& m : outra.motivos_)
        if (motivos_.size() < 5)
            motivos_.push_back(m);
}

Medidas::Resumo Medidas::resumo(const std::string& acao) const {
    const auto it = tempos_.find(acao);
    if (it == tempos_.end() || it->second.empty())
        return {};
    std::vector<double> v = it->second;
    std::sort(v.begin(), v.end());
    const auto rank = [&](double p) {
        const auto i = static_cast<std::size_t>(std::ceil(p * static_cast<double>(v.size())));
        return v[std::min(v.size(), std::max<std::size_t>(i, 1)) - 1];
    };
    return {v.size(), rank(0.50), rank(0.99), v.back()};
}

std::vector<std::string> Medidas::acoes() const {
    std::vector<std::string> nomes;
    for (const auto& [acao, tempos] : tempos_)
        nomes.push_back(acao);
    return nomes;
}

} // namespace clerks
