#pragma once

// The two data-control protocols, the staging "ext" one and the older wlroots one, have the same requests
// and events under different names. The clipboard is written once, against these two descriptions.

#include "ext-data-control-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

struct ExtDataControl {
    using Manager = ext_data_control_manager_v1;
    using Device = ext_data_control_device_v1;
    using Source = ext_data_control_source_v1;
    using Offer = ext_data_control_offer_v1;
    using DeviceListener = ext_data_control_device_v1_listener;
    using SourceListener = ext_data_control_source_v1_listener;
    using OfferListener = ext_data_control_offer_v1_listener;
    static constexpr const char* managerName = "ext_data_control_manager_v1";
    static constexpr unsigned version = 1;
    static const wl_interface* managerInterface() { return &ext_data_control_manager_v1_interface; }

    static Device* getDevice(Manager* m, wl_seat* seat)
    {
        return ext_data_control_manager_v1_get_data_device(m, seat);
    }
    static Source* createSource(Manager* m) { return ext_data_control_manager_v1_create_data_source(m); }
    static void destroy(Manager* m) { ext_data_control_manager_v1_destroy(m); }
    static void destroy(Device* d) { ext_data_control_device_v1_destroy(d); }
    static void destroy(Source* s) { ext_data_control_source_v1_destroy(s); }
    static void destroy(Offer* o) { ext_data_control_offer_v1_destroy(o); }
    static void listen(Device* d, const DeviceListener* l, void* data)
    {
        ext_data_control_device_v1_add_listener(d, l, data);
    }
    static void listen(Source* s, const SourceListener* l, void* data)
    {
        ext_data_control_source_v1_add_listener(s, l, data);
    }
    static void listen(Offer* o, const OfferListener* l, void* data)
    {
        ext_data_control_offer_v1_add_listener(o, l, data);
    }
    static void setSelection(Device* d, Source* s) { ext_data_control_device_v1_set_selection(d, s); }
    static void offer(Source* s, const char* type) { ext_data_control_source_v1_offer(s, type); }
    static void receive(Offer* o, const char* type, int fd)
    {
        ext_data_control_offer_v1_receive(o, type, fd);
    }
};

struct WlrDataControl {
    using Manager = zwlr_data_control_manager_v1;
    using Device = zwlr_data_control_device_v1;
    using Source = zwlr_data_control_source_v1;
    using Offer = zwlr_data_control_offer_v1;
    using DeviceListener = zwlr_data_control_device_v1_listener;
    using SourceListener = zwlr_data_control_source_v1_listener;
    using OfferListener = zwlr_data_control_offer_v1_listener;
    static constexpr const char* managerName = "zwlr_data_control_manager_v1";
    // Version 2 tells the primary selection apart, so that it is never taken for the clipboard.
    static constexpr unsigned version = 2;
    static const wl_interface* managerInterface() { return &zwlr_data_control_manager_v1_interface; }

    static Device* getDevice(Manager* m, wl_seat* seat)
    {
        return zwlr_data_control_manager_v1_get_data_device(m, seat);
    }
    static Source* createSource(Manager* m) { return zwlr_data_control_manager_v1_create_data_source(m); }
    static void destroy(Manager* m) { zwlr_data_control_manager_v1_destroy(m); }
    static void destroy(Device* d) { zwlr_data_control_device_v1_destroy(d); }
    static void destroy(Source* s) { zwlr_data_control_source_v1_destroy(s); }
    static void destroy(Offer* o) { zwlr_data_control_offer_v1_destroy(o); }
    static void listen(Device* d, const DeviceListener* l, void* data)
    {
        zwlr_data_control_device_v1_add_listener(d, l, data);
    }
    static void listen(Source* s, const SourceListener* l, void* data)
    {
        zwlr_data_control_source_v1_add_listener(s, l, data);
    }
    static void listen(Offer* o, const OfferListener* l, void* data)
    {
        zwlr_data_control_offer_v1_add_listener(o, l, data);
    }
    static void setSelection(Device* d, Source* s) { zwlr_data_control_device_v1_set_selection(d, s); }
    static void offer(Source* s, const char* type) { zwlr_data_control_source_v1_offer(s, type); }
    static void receive(Offer* o, const char* type, int fd)
    {
        zwlr_data_control_offer_v1_receive(o, type, fd);
    }
};
