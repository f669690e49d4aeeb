// The Windows agent: the system's MIB-II extension agent "inetmib1.dll", loaded
// at run time and queried in process through SnmpExtensionQuery. The SNMP
// utility functions (snmpapi) copy, compare and free the walk's names and values.
#include <cstdint>
#include <vector>

#include "netinfo/agent_startup.h"
#include "netinfo/netinfo_platform.h"
#include "platform/win_include.h"

#include <snmp.h>

// The agent reads and writes these structures: their 32-bit layout is fixed.
static_assert(sizeof(void*) != 4 || sizeof(AsnObjectIdentifier) == 8, "AsnObjectIdentifier layout");
static_assert(sizeof(void*) != 4 || sizeof(AsnAny) == 16, "AsnAny layout");
static_assert(sizeof(void*) != 4 || sizeof(SnmpVarBind) == 24, "SnmpVarBind layout");

namespace util {
namespace netinfo {

namespace {

// The module-level agent state: set up once, never released.
struct AgentState {
    HMODULE library = nullptr;
    PFNSNMPEXTENSIONINIT initialise = nullptr;
    PFNSNMPEXTENSIONQUERY query = nullptr;
    HANDLE trapEvent = nullptr;                        // filled in by SnmpExtensionInit, unused
    AsnObjectIdentifier supportedView = {0, nullptr};  // likewise
};

AgentState& agentState() {
    static AgentState state;
    return state;
}

template <typename Function>
Function entryPoint(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

class InetMibLoader : public AgentLoader {
public:
    bool startSockets() override {
        WSADATA data;
        return WSAStartup(2, &data) == 0;
    }

    bool loadAgent() override {
        AgentState& state = agentState();
        HMODULE library = LoadLibraryA("inetmib1.dll");
        if (reinterpret_cast<std::uintptr_t>(library) < 32) {
            state.library = nullptr;
            return false;
        }
        auto initialise = entryPoint<PFNSNMPEXTENSIONINIT>(library, "SnmpExtensionInit");
        auto query = entryPoint<PFNSNMPEXTENSIONQUERY>(library, "SnmpExtensionQuery");
        if (initialise == nullptr || query == nullptr) {
            FreeLibrary(library);
            state.library = nullptr;
            return false;
        }
        state.library = library;
        state.initialise = initialise;
        state.query = query;
        return true;
    }

    bool initialiseAgent() override {
        AgentState& state = agentState();
        return state.initialise(GetTickCount(), &state.trapEvent, &state.supportedView) != FALSE;
    }
};

// A column's identifier in the agent's form, with its own copy of the subidentifiers.
class AgentObjectId {
public:
    explicit AgentObjectId(const ObjectId& name) : ids_(name.begin(), name.end()) {
        oid_.idLength = static_cast<UINT>(ids_.size());
        oid_.ids = ids_.data();
    }
    // The SNMP utility functions take non-const pointers but do not write through them.
    AsnObjectIdentifier* get() const { return &oid_; }

private:
    std::vector<UINT> ids_;
    mutable AsnObjectIdentifier oid_;
};

MibValue valueOf(const AsnAny& any) {
    switch (any.asnType) {
        case ASN_INTEGER: return MibValue::makeInteger(static_cast<std::uint32_t>(any.asnValue.number));
        case ASN_COUNTER32:
        case ASN_GAUGE32:
        case ASN_TIMETICKS:
        case ASN_UINTEGER32: return MibValue::makeInteger(static_cast<std::uint32_t>(any.asnValue.unsigned32));
        case ASN_OCTETSTRING:
        case ASN_IPADDRESS:
        case ASN_OPAQUE:
            return MibValue::makeOctets(any.asnValue.string.stream,
                                        any.asnValue.string.stream != nullptr ? any.asnValue.string.length : 0);
        default: return MibValue();
    }
}

// One walk's two-entry SnmpVarBindList, renamed and refilled by the agent.
class AgentWalk : public ColumnPairWalk {
public:
    AgentWalk(PFNSNMPEXTENSIONQUERY query, const ObjectId& keyColumn) : query_(query), keyColumn_(keyColumn) {
        ZeroMemory(entries_, sizeof entries_);
        entries_[0].value.asnType = ASN_NULL;
        entries_[1].value.asnType = ASN_NULL;
        list_.list = entries_;
        list_.len = 2;
    }
    ~AgentWalk() override {
        SnmpUtilVarBindFree(&entries_[0]);
        SnmpUtilVarBindFree(&entries_[1]);
    }
    AgentWalk(const AgentWalk&) = delete;
    AgentWalk& operator=(const AgentWalk&) = delete;

    // Names entry 0 after the key column and entry 1 after companionColumn.
    bool nameEntries(const ObjectId& companionColumn) {
        AgentObjectId companion(companionColumn);
        return SnmpUtilOidCpy(&entries_[0].name, keyColumn_.get()) != SNMPAPI_ERROR &&
               SnmpUtilOidCpy(&entries_[1].name, companion.get()) != SNMPAPI_ERROR;
    }

    bool getNext() override {
        AsnInteger32 errorStatus = 0;
        AsnInteger32 errorIndex = 0;
        return query_(SNMP_PDU_GETNEXT, &list_, &errorStatus, &errorIndex) != FALSE;
    }

    bool keyInColumn() const override {
        AsnObjectIdentifier key = entries_[0].name;
        return SnmpUtilOidNCmp(&key, keyColumn_.get(), keyColumn_.get()->idLength) == 0;
    }

    ObjectId keyName() const override {
        const AsnObjectIdentifier& key = entries_[0].name;
        if (key.ids == nullptr) {
            return ObjectId();
        }
        return ObjectId(key.ids, key.ids + key.idLength);
    }

    MibValue value(int entry) const override { return valueOf(entries_[entry == 0 ? 0 : 1].value); }

private:
    PFNSNMPEXTENSIONQUERY query_;
    AgentObjectId keyColumn_;
    SnmpVarBind entries_[2];
    SnmpVarBindList list_;
};

// Loads and initialises the agent once; non-zero when it is ready.
int snmpAgentStartup() {
    static InetMibLoader loader;
    static AgentStartup startup(loader);
    return startup.run();
}

class WindowsAgent : public MibAgent {
public:
    int startup() override { return snmpAgentStartup(); }

    std::unique_ptr<ColumnPairWalk> beginWalk(const ObjectId& keyColumn, const ObjectId& companionColumn) override {
        if (agentState().query == nullptr) {
            return nullptr;
        }
        std::unique_ptr<AgentWalk> walk(new AgentWalk(agentState().query, keyColumn));
        if (!walk->nameEntries(companionColumn)) {
            return nullptr;
        }
        return std::unique_ptr<ColumnPairWalk>(walk.release());
    }
};

}  // namespace

MibAgent& systemAgent() {
    static WindowsAgent agent;
    return agent;
}

}  // namespace netinfo
}  // namespace util
