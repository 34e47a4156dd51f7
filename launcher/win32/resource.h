#pragma once

#define IDI_APP 1
#define IDI_NOTFOUND 2
#define IDC_LSTAPP 1001
#define IDC_STATUS 1002
