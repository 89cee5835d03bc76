// Lookups over the instance's blocks and the per-block input and output lists.
#include "extmodels/ZeftInstance.h"

#include <algorithm>
#include <strings.h>

CZEFTBlock* CZEFTInstance::FindBlock(const std::string& name, const std::string& modelName) const {
    CZEFTBlock key;
    key.Name = name;
    key.ModelName = modelName;
    int at = Blocks.FindSorted(&key);
    return at < 0 ? nullptr : Blocks.GetAt(at);
}

int CZEFTInstance::CountBlocks(const std::string& modelName) const {
    return int(std::count_if(Blocks.begin(), Blocks.end(), [&](const CZEFTBlock* b) {
        return strcasecmp(b->ModelName.c_str(), modelName.c_str()) == 0;
    }));
}

void CZEFTInstance::BuildInputOutputLists(int flag) {
    auto addOnce = [](std::vector<CUserDefinedEquationVariable*>& list, CUserDefinedEquationVariable* v) {
        if (std::find(list.begin(), list.end(), v) == list.end()) list.push_back(v);
    };
    for (CZEFTBlock* block : Blocks) {
        block->InputList.clear();
        block->OutputList.clear();
        if (!flag) continue;
        for (CZeftPort* port : block->Ports) {
            const bool input = port->Direction == kPortInput;
            for (CUserDefinedEquationVariable* v : port->Variables) {
                // Only variables tied to a model variable of another name take part.
                if ((v->HostSpec == 1 && !input) || v->Name == v->DuloName) continue;
                if (v->IsIndependent || input) addOnce(block->InputList, v);
                else if (v->HostSpec != 1) addOnce(block->OutputList, v);
            }
        }
    }
}
