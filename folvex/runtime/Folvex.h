// The unit Folvex, as host programs include it: the viewer component
// (FolvexComponent.h), its displayers (PdfDisplayers.h), the Reader control
// wrapper and Adobe's identifiers (AcroPDF.h, AcroPDFLib.h), and the
// package's routines and message texts (FolvexRoutines.h).
#pragma once

#include "folvex/runtime/AcroPDF.h"
#include "folvex/runtime/AcroPDFLib.h"
#include "folvex/runtime/FolvexComponent.h"
#include "folvex/runtime/FolvexRoutines.h"
#include "folvex/runtime/FolvexUpdate.h"
#include "folvex/runtime/PdfDisplayers.h"
